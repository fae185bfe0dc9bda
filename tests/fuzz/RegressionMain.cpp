// Replays saved fuzz inputs (each file given on the command line, or every file in a directory)
// through the fuzz target, so inputs that once crashed stay tested in every build.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/stat.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace
{
  int replay(const std::string& path)
  {
    std::ifstream in(path, std::ios::binary);
    if (!in)
      {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
      }
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return 0;
  }
}

int main(int argc, char** argv)
{
  int failures = 0;
  int count = 0;
  for (int i = 1; i < argc; ++i)
    {
      struct stat info;
      if (::stat(argv[i], &info) == 0 && S_ISDIR(info.st_mode))
        {
          DIR* directory = ::opendir(argv[i]);
          while (dirent* entry = directory != nullptr ? ::readdir(directory) : nullptr)
            {
              if (entry->d_name[0] == '.') { continue; }
              failures += replay(std::string(argv[i]) + "/" + entry->d_name);
              ++count;
            }
          if (directory != nullptr) { ::closedir(directory); }
        }
      else
        {
          failures += replay(argv[i]);
          ++count;
        }
    }
  std::printf("replayed %d input(s)\n", count);
  return failures == 0 ? 0 : 1;
}
