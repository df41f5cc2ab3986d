#include "chromium_locator.h"

#include <cwctype>

namespace velora_engine {
namespace {

std::wstring Trimmed(const std::wstring& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && (std::iswspace(text[begin]) || text[begin] == L'"'))
    ++begin;
  while (end > begin && (std::iswspace(text[end - 1]) || text[end - 1] == L'"'))
    --end;
  return text.substr(begin, end - begin);
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(a[i]) != std::towlower(b[i]))
      return false;
  }
  return true;
}

void Add(std::vector<std::wstring>* list, const std::wstring& path) {
  if (path.empty())
    return;
  for (const std::wstring& known : *list) {
    if (SamePath(known, path))
      return;
  }
  list->push_back(path);
}

}  // namespace

std::wstring JoinWindowsPath(const std::wstring& dir, const std::wstring& relative) {
  std::wstring joined = dir;
  while (!joined.empty() && (joined.back() == L'\\' || joined.back() == L'/'))
    joined.pop_back();
  size_t start = 0;
  while (start < relative.size() && (relative[start] == L'\\' || relative[start] == L'/'))
    ++start;
  joined += L'\\';
  joined.append(relative, start, std::wstring::npos);
  return joined;
}

std::vector<std::wstring> ChromiumCandidates(const std::wstring& configured, bool under_wine,
                                             const std::vector<std::wstring>& program_files_dirs,
                                             const std::wstring& local_app_data,
                                             bool only_configured) {
  std::vector<std::wstring> list;
  std::wstring own = Trimmed(configured);
  if (under_wine && !own.empty() && own[0] == L'/') {
    for (wchar_t& c : own) {
      if (c == L'/')
        c = L'\\';
    }
    own = L"Z:" + own;
  }
  Add(&list, own);
  if (only_configured)
    return list;

  if (under_wine) {
    Add(&list, L"Z:\\usr\\lib\\chromium\\chromium");
    Add(&list, L"Z:\\usr\\lib\\chromium-browser\\chromium-browser");
  }

  static const wchar_t* const kBrowsers[] = {
      L"Chromium\\Application\\chrome.exe",
      L"Google\\Chrome\\Application\\chrome.exe",
      L"Microsoft\\Edge\\Application\\msedge.exe",
  };
  std::vector<std::wstring> dirs;
  for (const std::wstring& dir : program_files_dirs)
    dirs.push_back(Trimmed(dir));
  dirs.push_back(Trimmed(local_app_data));
  for (const wchar_t* browser : kBrowsers) {
    for (const std::wstring& dir : dirs) {
      if (!dir.empty())
        Add(&list, JoinWindowsPath(dir, browser));
    }
  }
  return list;
}

std::wstring UserDataFolderFor(const std::wstring& engine_root, unsigned long pid) {
  return JoinWindowsPath(engine_root, std::to_wstring(pid));
}

bool ParseUserDataFolderName(const std::wstring& name, unsigned long* pid) {
  if (name.empty() || name.size() > 10 || name[0] == L'0')
    return false;
  unsigned long long value = 0;
  for (wchar_t c : name) {
    if (c < L'0' || c > L'9')
      return false;
    value = value * 10 + static_cast<unsigned>(c - L'0');
  }
  if (value > 0xffffffffull)
    return false;
  *pid = static_cast<unsigned long>(value);
  return true;
}

}  // namespace velora_engine
