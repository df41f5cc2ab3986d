#include "page_watch_rules.h"

#include <cstring>

namespace velora_engine {

const char kPageBindingName[] = "__veloraPage";

static std::string PageWatchBody();

const char kSelectChooseFunction[] = "__veloraChooseOption";

std::string PageWatchScript(bool windowless) {
  return std::string("(function () { var windowless = ") + (windowless ? "true" : "false") + ";\n" +
         PageWatchBody() + "\n})();";
}

// The script's body, run inside a function whose `windowless` says which
// view it watches.
static std::string PageWatchBody() {
  // Top-level documents only: a frame's coordinates and title are not the
  // view's. The binding is taken and removed from the page's sight first.
  return R"JS(
  var send = window.__veloraPage;
  if (typeof send !== "function") return;
  try { delete window.__veloraPage; } catch (e) {}
  // Frames report their cursor and their context menus; the title and the
  // select lists are the top-level document's.
  var isTop = window === window.top;
  function report(o) { try { send(JSON.stringify(o)); } catch (e) {} }
  var title = null;
  function checkTitle() {
    var t = document.title;
    if (t !== title && (t !== "" || document.readyState !== "loading")) {
      title = t;
      report({k: "title", v: t, url: location.href});
    }
  }
  if (isTop) {
    new MutationObserver(checkTitle).observe(document, {subtree: true, childList: true, characterData: true});
    document.addEventListener("DOMContentLoaded", checkTitle);
  }
  function elementOf(n) { return n && n.nodeType === 1 ? n : (n ? n.parentElement : null); }
  function editable(el) {
    if (!el) return false;
    if (el.isContentEditable) return true;
    if (el.disabled || el.readOnly) return false;
    if (el.nodeName === "TEXTAREA") return true;
    if (el.nodeName !== "INPUT") return false;
    return ["text", "search", "url", "tel", "email", "password", "number"].indexOf((el.type || "text").toLowerCase()) >= 0;
  }
  function overText(x, y) {
    var r = document.caretRangeFromPoint ? document.caretRangeFromPoint(x, y) : null;
    if (!r || r.startContainer.nodeType !== 3) return false;
    var all = document.createRange();
    all.selectNodeContents(r.startContainer);
    var rects = all.getClientRects();
    for (var i = 0; i < rects.length; i++) {
      var b = rects[i];
      if (x >= b.left && x <= b.right && y >= b.top && y <= b.bottom) return true;
    }
    return false;
  }
  var cursor = null;
  document.addEventListener("mousemove", function (e) {
    var el = elementOf(e.target), c = "default";
    if (el) {
      var css = getComputedStyle(el).cursor || "auto";
      var parts = css.split(",");
      css = parts[parts.length - 1].trim();
      if (css !== "auto") c = css;
      else if (el.closest("a[href]")) c = "pointer";
      else if (editable(el) || overText(e.clientX, e.clientY)) c = "text";
    }
    if (c !== cursor) { cursor = c; report({k: "cursor", v: c}); }
  }, true);
  // The pointer coming back from a frame (or from outside): the cursor
  // shown is another document's, so the next move reports again.
  document.addEventListener("mouseover", function (e) {
    var from = e.relatedTarget;
    if (!from || from.nodeName === "IFRAME" || from.nodeName === "FRAME") cursor = null;
  }, true);
  document.addEventListener("mouseout", function (e) { if (!e.relatedTarget) cursor = null; }, true);
  window.addEventListener("contextmenu", function (e) {
    if (e.defaultPrevented) return;
    var el = elementOf(e.target);
    var link = el ? el.closest("a[href]") : null;
    var media = el ? el.closest("img,video,audio,canvas") : null;
    var ed = editable(el), sel = "";
    if (ed && (el.nodeName === "INPUT" || el.nodeName === "TEXTAREA")) {
      try { sel = el.value.substring(el.selectionStart, el.selectionEnd); } catch (x) {}
    } else {
      sel = String(window.getSelection());
    }
    var text = ed ? (el.value !== undefined ? el.value : el.textContent) : "";
    report({k: "menu", x: e.clientX, y: e.clientY, page: isTop ? location.href : "",
            frame: isTop ? "" : location.href,
            link: link ? link.href : "", linkText: link ? link.textContent : "",
            src: media && media.currentSrc !== undefined ? media.currentSrc : (media && media.src) || "",
            media: media ? media.nodeName.toLowerCase() : "", title: (el && el.title) || "",
            sel: sel, editable: ed, hasText: !!text, rich: !!(el && el.isContentEditable),
            undo: ed && document.queryCommandEnabled("undo"), redo: ed && document.queryCommandEnabled("redo")});
  }, false);
  if (!windowless || !isTop) return;
  var selects = [];
  document.addEventListener("mousedown", function (e) {
    var el = elementOf(e.target);
    var s = el ? el.closest("select") : null;
    if (!s || s.multiple || s.size > 1 || s.disabled || e.button !== 0) return;
    e.preventDefault();
    s.focus();
    var id = selects.indexOf(s);
    if (id < 0) { selects.push(s); id = selects.length - 1; }
    var r = s.getBoundingClientRect(), names = [], off = [];
    for (var i = 0; i < s.options.length; i++) {
      names.push(s.options[i].label || s.options[i].text);
      off.push(!!s.options[i].disabled);
    }
    report({k: "select", id: id, x: r.left, y: r.top, w: r.width, h: r.height,
            options: names, disabled: off, selected: s.selectedIndex});
  }, true);
  Object.defineProperty(window, "__veloraChooseOption", {enumerable: false, value: function (id, index) {
    var s = selects[id];
    if (!s || index < 0 || index >= s.options.length || s.options[index].disabled) return;
    if (s.selectedIndex === index) return;
    s.selectedIndex = index;
    s.dispatchEvent(new Event("input", {bubbles: true}));
    s.dispatchEvent(new Event("change", {bubbles: true}));
  }});
)JS";
}

bool SelectReportFrom(const Json::Value& r, SelectReport* out) {
  if (!r.isObject() || r["k"].asString() != "select" || !r["id"].isInt() || !r["options"].isArray()) return false;
  SelectReport s;
  s.id = r["id"].asInt();
  auto num = [&](const char* key) { return r[key].isNumeric() ? static_cast<int>(r[key].asDouble()) : 0; };
  s.x = num("x");
  s.y = num("y");
  s.width = num("w");
  s.height = num("h");
  s.selected = r["selected"].isInt() ? r["selected"].asInt() : -1;
  const Json::Value& names = r["options"];
  const Json::Value& off = r["disabled"];
  if (s.id < 0 || names.size() > 10000) return false;
  for (Json::ArrayIndex i = 0; i < names.size(); ++i) {
    s.options.push_back(names[i].isString() ? names[i].asString() : std::string());
    s.disabled.push_back(off.isArray() && i < off.size() && off[i].asBool());
  }
  if (s.selected >= static_cast<int>(s.options.size())) s.selected = -1;
  *out = std::move(s);
  return true;
}

CursorChoice CursorForCss(const std::string& css) {
  // IDC_* numbers: arrow 32512, I-beam 32513, wait 32514, cross 32515,
  // NW-SE 32642, NE-SW 32643, W-E 32644, N-S 32645, all 32646, no 32648,
  // hand 32649, app starting 32650, help 32651.
  static const struct {
    const char* css;
    int type;
    int idc;
  } kCursors[] = {
      {"default", 0, 32512},       {"pointer", 2, 32649},      {"text", 3, 32513},
      {"vertical-text", 30, 32513}, {"crosshair", 1, 32515},   {"wait", 4, 32514},
      {"progress", 34, 32650},     {"help", 5, 32651},         {"move", 29, 32646},
      {"all-scroll", 29, 32646},   {"not-allowed", 38, 32648}, {"no-drop", 35, 32648},
      {"e-resize", 6, 32644},      {"w-resize", 13, 32644},    {"n-resize", 7, 32645},
      {"s-resize", 10, 32645},     {"ne-resize", 8, 32643},    {"sw-resize", 12, 32643},
      {"nw-resize", 9, 32642},     {"se-resize", 11, 32642},   {"ns-resize", 14, 32645},
      {"ew-resize", 15, 32644},    {"nesw-resize", 16, 32643}, {"nwse-resize", 17, 32642},
      {"col-resize", 18, 32644},   {"row-resize", 19, 32645},  {"cell", 31, 32515},
      {"context-menu", 32, 32512}, {"alias", 33, 32512},       {"copy", 36, 32512},
      {"none", 37, 0},             {"zoom-in", 39, 32512},     {"zoom-out", 40, 32512},
      {"grab", 41, 32649},         {"grabbing", 42, 32646},
  };
  CursorChoice c;
  for (const auto& k : kCursors) {
    if (css == k.css) {
      c.type = k.type;
      c.system_cursor = k.idc;
      break;
    }
  }
  return c;
}

MenuContext MenuContextFromReport(const Json::Value& r) {
  MenuContext c;
  if (!r.isObject()) return c;
  c.x = r["x"].isNumeric() ? r["x"].asInt() : 0;
  c.y = r["y"].isNumeric() ? r["y"].asInt() : 0;
  auto text = [&r](const char* key) { return r[key].isString() ? r[key].asString() : std::string(); };
  c.page_url = text("page");
  c.frame_url = text("frame");
  c.link_url = text("link");
  c.link_text = text("linkText");
  c.source_url = text("src");
  c.title_text = text("title");
  c.selection = text("sel");
  const std::string media = text("media");
  c.media_type = media == "img" ? 1 : media == "video" ? 2 : media == "audio" ? 3 : media == "canvas" ? 4 : 0;
  c.editable = r["editable"].isBool() && r["editable"].asBool();
  c.has_text = r["hasText"].isBool() && r["hasText"].asBool();
  c.can_undo = r["undo"].isBool() && r["undo"].asBool();
  c.can_redo = r["redo"].isBool() && r["redo"].asBool();
  c.rich = r["rich"].isBool() && r["rich"].asBool();
  return c;
}

int MenuTypeFlags(const MenuContext& c) {
  int f = 0;
  if (!c.page_url.empty()) f |= 1;    // CM_TYPEFLAG_PAGE
  if (!c.frame_url.empty()) f |= 2;   // CM_TYPEFLAG_FRAME
  if (!c.link_url.empty()) f |= 4;    // CM_TYPEFLAG_LINK
  if (c.media_type != 0) f |= 8;      // CM_TYPEFLAG_MEDIA
  if (!c.selection.empty()) f |= 16;  // CM_TYPEFLAG_SELECTION
  if (c.editable) f |= 32;            // CM_TYPEFLAG_EDITABLE
  return f;
}

int MenuEditFlags(const MenuContext& c) {
  int f = 0;
  const bool selected = !c.selection.empty();
  if (c.editable && c.can_undo) f |= 1;           // CM_EDITFLAG_CAN_UNDO
  if (c.editable && c.can_redo) f |= 2;           // CAN_REDO
  if (c.editable && selected) f |= 4;             // CAN_CUT
  if (selected) f |= 8;                           // CAN_COPY
  if (c.editable) f |= 16;                        // CAN_PASTE
  if (c.editable && selected) f |= 32;            // CAN_DELETE
  if (!c.editable || c.has_text) f |= 64;         // CAN_SELECT_ALL
  if (c.editable && c.rich) f |= 256;             // CAN_EDIT_RICHLY
  return f;
}

std::vector<MenuItem> DefaultMenu(const MenuContext& c, bool can_go_back, bool can_go_forward) {
  std::vector<MenuItem> items;
  if (c.editable) {
    const int e = MenuEditFlags(c);
    items = {{110, "&Undo", (e & 1) != 0},   {111, "&Redo", (e & 2) != 0},   {-1, "", true},
             {112, "Cu&t", (e & 4) != 0},    {113, "&Copy", (e & 8) != 0},   {114, "&Paste", (e & 16) != 0},
             {115, "&Delete", (e & 32) != 0}, {-1, "", true},                {116, "Select &all", (e & 64) != 0}};
  } else if (!c.selection.empty()) {
    items = {{113, "&Copy", true}};
  } else if (!c.page_url.empty() || !c.frame_url.empty()) {
    items = {{100, "&Back", can_go_back},     {101, "&Forward", can_go_forward}, {-1, "", true},
             {131, "&Print...", true},        {132, "View s&ource", true}};
  }
  return items;
}

}  // namespace velora_engine
