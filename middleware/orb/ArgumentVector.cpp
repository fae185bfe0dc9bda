#include "ArgumentVector.h"

#include <utility>

namespace RTC
{
  ArgumentVector::ArgumentVector(std::vector<std::string> words)
    : m_words(std::move(words)), m_argc(static_cast<int>(m_words.size()))
  {
    for (std::string& word : m_words) { m_pointers.push_back(&word[0]); }
    m_pointers.push_back(nullptr);
  }
}
