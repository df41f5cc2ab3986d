#include "start_rules.h"

#include <algorithm>
#include <climits>

namespace rundle {

int ParseIntText(const std::wstring& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
    negative = text[i] == L'-';
    ++i;
  }
  long long value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    value = value * 10 + (text[i] - L'0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) return static_cast<int>(-value);
  return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

int ReadIntKey(const ProfileReader& read, const std::wstring& section, const std::wstring& key) {
  const std::wstring text = read(section, key, kIntKeyChars);
  return text.empty() ? 0 : ParseIntText(text);
}

std::wstring ReadStringKey(const ProfileReader& read, const std::wstring& section,
                           const std::wstring& key) {
  std::wstring text = read(section, key, kStringKeyChars);
  if (text.size() > kStringKeyChars - 1) text.resize(kStringKeyChars - 1);
  return text;
}

std::wstring SettingsPathForModule(const std::wstring& modulePath) {
  static const std::wstring from = L".exe";
  static const std::wstring to = L".ini";
  std::wstring path = modulePath;
  for (size_t at = path.find(from); at != std::wstring::npos; at = path.find(from, at + to.size()))
    path.replace(at, from.size(), to);
  return path;
}

int LogLevelMaskFor(int logLevel) {
  switch (logLevel) {
    case 2: return 127;
    case 3: return 43;
    case 4: return 59;
    case 5: return 107;
    default: return 47;
  }
}

int OsCodeFor(unsigned major, unsigned minor, bool workstation) {
  if (major >= 7) return 9;
  if (major == 5) return minor == 0 ? 2 : minor == 1 ? 3 : 4;
  if (major == 6) {
    if (!workstation) return 6;
    if (minor == 0) return 5;
    if (minor == 1) return 7;
    if (minor == 2) return 8;
  }
  return 1;
}

const wchar_t* EnvSectionName(int envCode) {
  static const wchar_t* const kSections[] = {L"DefSoft",     L"PavlixSoft",    L"TorrelSoft",
                                             L"QuillonSoft", L"PavlixSoft_GL", L"OvplaySoft"};
  if (envCode < 0 || envCode > 5) return nullptr;
  return kSections[envCode];
}

std::vector<PreloadEntry> ReadPreloadList(const ProfileReader& read, int envCode) {
  std::vector<PreloadEntry> list;
  const wchar_t* section = EnvSectionName(envCode);
  if (!section) return list;
  const int num = std::min(ReadIntKey(read, section, L"Num"), kMaxListEntries);
  for (int i = 0; i < num; ++i) {
    const std::wstring name = std::wstring(section) + L"_PreLoad" + std::to_wstring(i);
    PreloadEntry entry;
    entry.index = i;
    entry.wait = ReadIntKey(read, name, L"Wait");
    entry.exe = ReadStringKey(read, name, L"Exe");
    entry.param = ReadStringKey(read, name, L"Param");
    list.push_back(std::move(entry));
  }
  return list;
}

std::vector<CopyEntry> ReadCopyList(const ProfileReader& read) {
  std::vector<CopyEntry> list;
  const int num = std::min(ReadIntKey(read, L"Copy", L"Num"), kMaxListEntries);
  for (int i = 0; i < num; ++i) {
    const std::wstring name = L"Copy" + std::to_wstring(i);
    CopyEntry entry;
    entry.index = i;
    entry.skipOs = ReadIntKey(read, name, L"SkipOS");
    entry.closeRedirection = ReadIntKey(read, name, L"IsCloseRedirection");
    entry.isFile = ReadIntKey(read, name, L"IsFile");
    entry.src = ReadStringKey(read, name, L"Src");
    entry.dst = ReadStringKey(read, name, L"Dst");
    list.push_back(std::move(entry));
  }
  return list;
}

RunInfo ReadRunInfo(const ProfileReader& read, int envCode, bool is64BitSystem,
                    bool isWindows10OrLater) {
  RunInfo info;
  const wchar_t* section = EnvSectionName(envCode);
  if (!section) return info;
  info.runOption = ReadIntKey(read, section, L"RunOption");
  auto readSet = [&](const wchar_t* suffix) {
    const std::wstring s = suffix;
    info.beforePath = ReadStringKey(read, section, L"BeforeExePath" + s);
    info.gameExe = ReadStringKey(read, section, L"GameExe" + s);
    info.param = ReadStringKey(read, section, L"Param" + s);
  };
  if (is64BitSystem) {
    if (isWindows10OrLater) readSet(L"64_Win10");
    if (info.gameExe.empty()) readSet(L"64");
  } else {
    readSet(L"");
  }
  return info;
}

int EnvCodeFromRegistryText(const std::wstring& text) {
  return ParseIntText(text.substr(0, text.find(L',')));
}

int EnvCodeFromProductName(const std::wstring& productName) {
  if (productName.find(L"Quillon") != std::wstring::npos) return 3;
  if (productName.find(L"Torrel") != std::wstring::npos) return 2;
  if (productName.find(L"\u7f51\u7ef4") != std::wstring::npos ||
      productName.find(L"Tallowview.exe") != std::wstring::npos)
    return 1;
  return 0;
}

int ApplyVersionRule(int envCode, const std::wstring& productVersion) {
  if (envCode != 1) return envCode;
  auto split = [&](wchar_t sep, size_t* first, size_t* second) {
    *first = productVersion.find(sep);
    *second = *first == std::wstring::npos ? std::wstring::npos : productVersion.find(sep, *first + 1);
    return *second != std::wstring::npos;
  };
  size_t first = 0, second = 0;
  if (!split(L'.', &first, &second) && !split(L',', &first, &second)) return envCode;
  const int major = ParseIntText(productVersion.substr(0, first));
  const int minor = ParseIntText(productVersion.substr(first + 1, second - first - 1));
  return (major == 9 && minor >= 1) ? 4 : envCode;
}

}  // namespace rundle
