#include "Rtctl.h"

int main(int argc, char** argv)
{
  return rtctl::run(argc, argv);
}
