// A command line as main() receives it, made from words: argc, a null-terminated argv and the
// strings argv points into, kept together.
#ifndef RTM_ORB_ARGUMENTVECTOR_H
#define RTM_ORB_ARGUMENTVECTOR_H

#include <string>
#include <vector>

namespace RTC
{
  class ArgumentVector
  {
  public:
    explicit ArgumentVector(std::vector<std::string> words);
    // argv points into the words: a copy would point into the original. A move keeps the
    // strings where they are.
    ArgumentVector(const ArgumentVector&) = delete;
    ArgumentVector& operator=(const ArgumentVector&) = delete;
    ArgumentVector(ArgumentVector&&) = default;
    ArgumentVector& operator=(ArgumentVector&&) = default;

    // Modifiable, as CORBA::ORB_init takes them: it removes the options it has used.
    int& argc() { return m_argc; }
    char** argv() { return m_pointers.data(); }
    const std::vector<std::string>& words() const { return m_words; }

  private:
    std::vector<std::string> m_words;
    std::vector<char*> m_pointers;   // into m_words, then a null
    int m_argc;
  };
}

#endif
