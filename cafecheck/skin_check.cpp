#include "skin_check.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <set>

namespace cafecheck {

namespace {

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

const std::vector<std::string> kCaptionButtons = {"closebtn", "minbtn", "maxbtn", "restorebtn"};

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const SkinRequirement* FindRequirement(const std::string& name) {
  for (const SkinRequirement& r : SkinRequirements())
    if (EqualsIgnoringCase(r.file, name)) return &r;
  return nullptr;
}

// Names of controls (elements with a name attribute, Default elements left
// out: their names are attributes, not controls) and of Cef elements.
void CollectNames(const pugi::xml_node& node, std::set<std::string>& controls,
                  std::set<std::string>& cef, bool& any_cef) {
  for (pugi::xml_node child = node.first_child(); child; child = child.next_sibling()) {
    if (child.type() != pugi::node_element) continue;
    const std::string element = child.name();
    if (EqualsIgnoringCase(element, "Default") || EqualsIgnoringCase(element, "Font") ||
        EqualsIgnoringCase(element, "Image"))
      continue;
    const pugi::xml_attribute name = child.attribute("name");
    if (name) controls.insert(name.value());
    if (EqualsIgnoringCase(element, "Cef")) {
      any_cef = true;
      if (name) cef.insert(name.value());
    }
    CollectNames(child, controls, cef, any_cef);
  }
}

}  // namespace

const std::vector<SkinRequirement>& SkinRequirements() {
  static const std::vector<SkinRequirement> table = {
      {"config.xml", false, {}, {}},
      {"GameFrame.xml", false,
       Concat(kCaptionButtons, {"btn_byphone", "btn_guanwang", "btn_kefu", "btn_luntan", "btn_chongzhi", "size_seat"}),
       {"Cef_game"}},
      {"GameFrameVertical-w.xml", false,
       Concat(kCaptionButtons, {"game_name", "tool_view", "btn_extend", "btn_retract", "btn_rotate", "btn_tophone",
                                "btn_gongzhonghao", "btn_qqgroup", "btn_huodong"}),
       {"Cef_game"}},
      {"GameFrameVertical-b.xml", false,
       Concat(kCaptionButtons, {"game_name", "tool_view", "btn_extend", "btn_retract", "btn_rotate", "btn_tophone",
                                "btn_gongzhonghao", "btn_qqgroup", "btn_huodong"}),
       {"Cef_game"}},
      {"GameFrameVertical.xml", true, {"closebtn"}, {"Cef_Close"}},
      {"CloseQRcode.xml", true, {"closebtn"}, {"Cef_Close"}},
      {"advert.xml", true, {"closebtn"}, {}},
      {"Cef.xml", true, {}, {"*"}},
      {"closeWnd.xml", true, {"btn_ok"}, {}},
      {"InstallToPhone.xml", true, {"btn_ok"}, {}},
      {"GongZhongHao.xml", true, {"btn_ok"}, {}},
      {"QrFrame.xml", true, {}, {}},
  };
  return table;
}

std::string ChooseMainSkin(const std::string* config_xml_text) {
  std::string game_type, bkg_type;
  pugi::xml_document doc;
  if (config_xml_text && doc.load_buffer(config_xml_text->data(), config_xml_text->size())) {
    const pugi::xml_node root = doc.document_element();
    for (pugi::xml_node item = root.first_child(); item; item = item.next_sibling()) {
      if (item.type() != pugi::node_element) continue;
      const pugi::xml_attribute name = item.attribute("name");
      if (!name) continue;
      const std::string value = item.attribute("value").value();
      if (EqualsIgnoringCase(name.value(), "game_type")) game_type = value;
      if (EqualsIgnoringCase(name.value(), "bkg_type")) bkg_type = value;
    }
  }
  if (game_type != "2") return "GameFrame.xml";
  return bkg_type == "1" ? "GameFrameVertical-w.xml" : "GameFrameVertical-b.xml";
}

SkinFileResult CheckSkinFile(const std::string& name, const std::string& bytes,
                             const SkinRequirement* requirement) {
  SkinFileResult result;
  result.file = name;
  result.present = true;
  pugi::xml_document doc;
  const pugi::xml_parse_result parsed = doc.load_buffer(bytes.data(), bytes.size());
  if (!parsed) {
    result.error = std::string(parsed.description()) + " at byte " + std::to_string(parsed.offset);
    return result;
  }
  result.parsed = true;
  const pugi::xml_node root = doc.document_element();
  if (!root) {
    result.error = "no root element";
    return result;
  }
  if (!requirement) return result;
  if (!EqualsIgnoringCase(name, "config.xml") && std::string(root.name()) != "Window") {
    // The UI library refuses any other root: the window is not created.
    result.error = std::string("root element is <") + root.name() + ">, not <Window>";
    return result;
  }

  std::set<std::string> controls, cef;
  bool any_cef = false;
  CollectNames(root, controls, cef, any_cef);
  for (const std::string& control : requirement->controls)
    if (!controls.count(control)) result.missing.push_back(control);
  for (const std::string& c : requirement->cef_controls) {
    if (c == "*" ? !any_cef : !cef.count(c))
      result.missing.push_back(c == "*" ? std::string("a Cef element") : "Cef element " + c);
  }
  return result;
}

SkinFolderResult CheckSkinFolder(const std::vector<SkinFileText>& files) {
  SkinFolderResult folder;
  auto find = [&](const std::string& name) -> const SkinFileText* {
    for (const SkinFileText& f : files)
      if (EqualsIgnoringCase(f.name, name)) return &f;
    return nullptr;
  };
  const SkinFileText* config = find("config.xml");
  folder.main_skin = ChooseMainSkin(config ? &config->bytes : nullptr);

  for (const SkinRequirement& r : SkinRequirements()) {
    const bool needed = r.always_needed || EqualsIgnoringCase(r.file, folder.main_skin);
    const SkinFileText* text = find(r.file);
    SkinFileResult result;
    if (text) {
      result = CheckSkinFile(text->name, text->bytes, &r);
    } else {
      result.file = r.file;
    }
    result.needed = needed;
    folder.files.push_back(result);
  }
  // Any other markup file in the folder should at least parse.
  for (const SkinFileText& f : files) {
    if (FindRequirement(f.name)) continue;
    if (f.name.size() < 4 || !EqualsIgnoringCase(f.name.substr(f.name.size() - 4), ".xml")) continue;
    SkinFileResult result = CheckSkinFile(f.name, f.bytes, nullptr);
    result.needed = true;
    folder.files.push_back(result);
  }
  return folder;
}

}  // namespace cafecheck
