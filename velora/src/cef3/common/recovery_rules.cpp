#include "cef3/common/recovery_rules.h"

#include <cstdio>

namespace recovery_rules {

namespace {

constexpr char kErrorPagePrefix[] = "data:text/html;velora=error-page;charset=utf-8,";

std::string Utf8(const std::wstring& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = static_cast<uint32_t>(text[i]);
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {  // UTF-16 surrogate pair
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint32_t>(text[++i]) - 0xDC00);
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// Percent-encodes everything but letters and digits, so the page survives
// as one address whatever the reason holds (<, &, #, %).
std::string Encode(const std::string& bytes) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::string HtmlEscape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '&': out += "&amp;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

bool StartsWith(const std::wstring& text, const std::wstring& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

Step NextStep(Ladder* ladder, uint64_t nowMs) {
  while (!ladder->reloads.empty() && nowMs - ladder->reloads.front() >= kWindowMs) ladder->reloads.pop_front();
  Step step;
  if (static_cast<int>(ladder->reloads.size()) >= kMaxReloads) return step;
  ladder->reloads.push_back(nowMs);
  step.reload = true;
  step.attempt = static_cast<int>(ladder->reloads.size());
  step.delayMs = 500 << (step.attempt - 1);
  return step;
}

void Reset(Ladder* ladder) { ladder->reloads.clear(); }

const wchar_t* TerminationReason(int status) {
  switch (status) {
    case 0:  // TS_ABNORMAL_TERMINATION
      return L"the page's process ended abnormally";
    case 1:  // TS_PROCESS_WAS_KILLED
      return L"the page's process was killed";
    case 2:  // TS_PROCESS_CRASHED
      return L"the page's process crashed";
    case 3:  // TS_PROCESS_OOM
      return L"the page's process ran out of memory";
    default:
      return L"the page's process ended";
  }
}

std::string ErrorPageAddress(const std::wstring& reason) {
  const std::string page =
      "<!DOCTYPE html><html lang=\"zh-CN\"><head><meta charset=\"utf-8\"><title>\xE6\xB8\xB8\xE6\x88\x8F\xE6\x9A\x82"
      "\xE6\x97\xB6\xE6\x97\xA0\xE6\xB3\x95\xE6\x98\xBE\xE7\xA4\xBA</title><style>"
      "html,body{margin:0;height:100%;background:#0f141c;color:#e6ebf2;"
      "font-family:'Microsoft YaHei','WenQuanYi Micro Hei',sans-serif}"
      ".box{position:absolute;left:50%;top:50%;transform:translate(-50%,-50%);text-align:center;"
      "background:#1b2330;border:1px solid #2e3a4d;border-radius:10px;padding:28px 40px}"
      "h1{font-size:20px;margin:0 0 10px}p{font-size:13px;color:#8fa3bf;margin:0 0 22px}"
      "a{display:inline-block;padding:9px 34px;border-radius:6px;background:#2f8ceb;color:#fff;"
      "text-decoration:none;font-size:15px}</style></head><body><div class=\"box\">"
      // 游戏暂时无法显示 / 重试
      "<h1>\xE6\xB8\xB8\xE6\x88\x8F\xE6\x9A\x82\xE6\x97\xB6\xE6\x97\xA0\xE6\xB3\x95\xE6\x98\xBE\xE7\xA4\xBA</h1>"
      "<p id=\"reason\">" +
      HtmlEscape(Utf8(reason)) +
      "</p><a id=\"retry\" href=\"velora-retry:reload\">\xE9\x87\x8D\xE8\xAF\x95 retry</a></div></body></html>";
  return kErrorPagePrefix + Encode(page);
}

bool IsErrorPage(const std::wstring& url) {
  const std::string prefix = kErrorPagePrefix;
  return StartsWith(url, std::wstring(prefix.begin(), prefix.end()));
}

bool IsRetry(const std::wstring& url) { return StartsWith(url, kRetryAddress); }

std::wstring TimingLine(Mark mark, unsigned long long ms) {
  const wchar_t* what = mark == Mark::kFrameShown    ? L"frame shown"
                        : mark == Mark::kFirstPaint ? L"first page frame painted"
                                                    : L"page load finished";
  wchar_t line[96];
  std::swprintf(line, sizeof(line) / sizeof(line[0]), L"startup: %ls at +%llu ms", what, ms);
  return line;
}

}  // namespace recovery_rules

namespace recovery_rules {

const char kPaintProbe[] =
    "(function(){try{if(window.__veloraPaintProbe)return;window.__veloraPaintProbe=1;"
    "function report(e){if(typeof __veloraFirstPaint==='function')"
    "__veloraFirstPaint(String(Math.round(performance.timeOrigin+e.startTime)));}"
    "var seen=performance.getEntriesByType('paint');if(seen.length){report(seen[0]);return;}"
    "var o=new PerformanceObserver(function(l){var e=l.getEntries();if(e.length){o.disconnect();report(e[0]);}});"
    "o.observe({type:'paint',buffered:true});}catch(x){}})();";

unsigned long long EpochMsToProcessMs(const std::string& epochMs, unsigned long long processStartEpochMs) {
  unsigned long long value = 0;
  if (epochMs.empty() || epochMs.size() > 19) return 0;
  for (char c : epochMs) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + static_cast<unsigned long long>(c - '0');
  }
  return value > processStartEpochMs ? value - processStartEpochMs : 0;
}

}  // namespace recovery_rules
