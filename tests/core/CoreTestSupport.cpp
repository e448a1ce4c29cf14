#include "CoreTestSupport.h"

#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace coretest {

TempFolder::TempFolder()
{
    std::string pattern = (fs::temp_directory_path() / "quorlin-core-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data()))
        throw std::runtime_error("cannot create a temporary folder");
    m_path = name.data();
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

MessageCapture::MessageCapture()
{
    m_previous = SetErrorMessageHandler([this](const std::string &text) { Messages.push_back(text); });
}

MessageCapture::~MessageCapture()
{
    SetErrorMessageHandler(std::move(m_previous));
}

ScopedEnv::ScopedEnv(std::string name, const std::optional<std::string> &value) : m_name(std::move(name))
{
    if (const char *current = std::getenv(m_name.c_str()))
        m_saved = current;
    if (value)
        ::setenv(m_name.c_str(), value->c_str(), 1);
    else
        ::unsetenv(m_name.c_str());
}

ScopedEnv::~ScopedEnv()
{
    if (m_saved)
        ::setenv(m_name.c_str(), m_saved->c_str(), 1);
    else
        ::unsetenv(m_name.c_str());
}

std::set<std::string> EntriesBelow(const fs::path &root)
{
    std::set<std::string> names;
    for (const fs::directory_entry &entry : fs::recursive_directory_iterator(root))
        names.insert(fs::relative(entry.path(), root).generic_string());
    return names;
}

} // namespace coretest
