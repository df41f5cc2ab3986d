#include "UIDlgBuilder.h"

#include "UIButton.h"
#include "UIContainer.h"
#include "UILabel.h"
#include "UILog.h"
#include "UIManager.h"
#include "UIMarkup.h"

namespace DuiLib {

namespace {

bool IsAbsolute(const wchar_t* p) { return p && p[0] && (p[1] == L':' || p[0] == L'\\' || p[0] == L'/'); }

}  // namespace

CControlUI* CDialogBuilder::CreateBuiltin(const std::wstring& cls) {
  if (NameEquals(cls, L"Control")) return new CControlUI;
  if (NameEquals(cls, L"Container")) return new CContainerUI;
  if (NameEquals(cls, L"VerticalLayout")) return new CVerticalLayoutUI;
  if (NameEquals(cls, L"HorizontalLayout")) return new CHorizontalLayoutUI;
  if (NameEquals(cls, L"Label")) return new CLabelUI;
  if (NameEquals(cls, L"Text")) return new CTextUI;
  if (NameEquals(cls, L"Button")) return new CButtonUI;
  if (NameEquals(cls, L"Option")) return new COptionUI;
  return nullptr;
}

CControlUI* CDialogBuilder::Create(LPCTSTR skin, IDialogBuilderCallback* pCallback, CPaintManagerUI* pManager,
                                   CControlUI* pParent) {
  CMarkup markup;
  const bool inlineText = skin && skin[0] == L'<';
  CDuiString where = inlineText ? CDuiString(L"(inline skin)") : CDuiString(skin ? skin : L"");
  bool loaded;
  if (inlineText) {
    loaded = markup.Load(skin);
  } else {
    const CDuiString path = IsAbsolute(skin) ? CDuiString(skin) : CPaintManagerUI::GetResourcePath() + skin;
    where = path;
    loaded = markup.LoadFromFile(path);
  }
  if (!loaded) {
    UiLog(UiLogLevel::Error, L"skin %ls cannot be read: %ls", where.GetData(), markup.GetLastErrorMessage().GetData());
    return nullptr;
  }
  SkinWindow window;
  const bool ok = ReadSkin(markup, &window, m_limits);
  for (const std::wstring& problem : window.problems)
    UiLog(ok ? UiLogLevel::Warning : UiLogLevel::Error, L"skin %ls: %ls", where.GetData(), problem.c_str());
  if (!ok) return nullptr;
  markup.Release();  // the plain copy in window is all that is needed now

  if (pManager) {
    if (window.size.cx > 0 && window.size.cy > 0) pManager->SetInitSize(window.size.cx, window.size.cy);
    pManager->SetMinInfo(window.minInfo.cx, window.minInfo.cy);
    pManager->SetMaxInfo(window.maxInfo.cx, window.maxInfo.cy);
    pManager->SetCaptionRect(RECT{window.caption.left, window.caption.top, window.caption.right, window.caption.bottom});
    pManager->SetSizeBox(RECT{window.sizeBox.left, window.sizeBox.top, window.sizeBox.right, window.sizeBox.bottom});
    uint32_t color;
    for (const auto& [name, value] : window.attrs) {
      if (NameEquals(name, L"bkcolor") && ParseColor(value, &color)) pManager->SetWindowBkColor(color);
      else if (NameEquals(name, L"defaultfontcolor") && ParseColor(value, &color)) pManager->SetDefaultTextColor(color);
    }
    for (const auto& [name, value] : window.defaults) pManager->AddDefaultAttributeList(name.c_str(), value.c_str());
    for (const SkinFont& f : window.fonts)
      pManager->AddFont(f.id, f.face.c_str(), f.size, f.bold, f.underline, f.italic, f.isDefault);
  }

  std::vector<CControlUI*> built;
  for (const SkinElement& e : window.controls)
    if (CControlUI* c = Build(e, pCallback, pManager, pParent)) built.push_back(c);
  if (built.size() == 1) return built[0];
  // None or several top-level controls: one stacking container holds them.
  auto* root = new CContainerUI;
  root->SetManager(pManager, pParent, false);
  for (CControlUI* c : built) root->Add(c);
  return root;
}

CControlUI* CDialogBuilder::Build(const SkinElement& e, IDialogBuilderCallback* pCallback, CPaintManagerUI* pManager,
                                  CControlUI* pParent) {
  CControlUI* control = CreateBuiltin(e.cls);
  if (!control && pCallback) control = pCallback->CreateControl(e.cls.c_str());
  if (!control) {
    UiLog(UiLogLevel::Warning, L"skin: control class <%ls> is unknown; the element is left out", e.cls.c_str());
    return nullptr;
  }
  control->SetManager(pManager, pParent, false);
  // The class's defaults first, then the element's own attributes.
  if (pManager) {
    if (LPCTSTR defaults = pManager->GetClassDefaults(e.cls.c_str())) control->ApplyAttributeList(defaults);
  }
  for (const auto& [name, value] : e.attrs) control->SetAttribute(name.c_str(), value.c_str());

  if (e.children.empty()) return control;
  auto* container = static_cast<IContainerUI*>(control->GetInterface(DUI_CTR_ICONTAINER));
  if (!container) {
    UiLog(UiLogLevel::Warning, L"skin: <%ls> cannot hold controls; its %d children are left out", e.cls.c_str(),
          static_cast<int>(e.children.size()));
    return control;
  }
  for (const SkinElement& child : e.children)
    if (CControlUI* c = Build(child, pCallback, pManager, control)) container->Add(c);
  return control;
}

}  // namespace DuiLib
