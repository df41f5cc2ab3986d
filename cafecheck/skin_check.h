// The skin folder check of the staff tool: every skin file parses, and the
// controls and attributes the frame looks up by name are there. Plain
// functions over file names and file texts; reading the folder is the
// caller's business.
#pragma once

#include <string>
#include <vector>

namespace cafecheck {

// What the frame needs from one skin file.
struct SkinRequirement {
  const char* file;
  // Needed for every install (the main skin that config.xml picks is added
  // by ChooseMainSkin's answer; the other main skins are checked when
  // present).
  bool always_needed;
  std::vector<std::string> controls;  // by name attribute
  // Names of "Cef" elements the file must hold; "*" for one of any name.
  std::vector<std::string> cef_controls;
};

// The table of skin files the frame loads: the four main window skins, the
// close dialog, the advert frame and its browser window, the message boxes
// and the QR pop-up.
const std::vector<SkinRequirement>& SkinRequirements();

// The main skin config.xml's text selects: game_type "2" (names compared
// ignoring case, the last element wins) loads a vertical skin, its light
// variant GameFrameVertical-w.xml with bkg_type "1" and
// GameFrameVertical-b.xml otherwise; anything else, a missing or unreadable
// config.xml included, loads GameFrame.xml.
std::string ChooseMainSkin(const std::string* config_xml_text);

struct SkinFileResult {
  std::string file;
  bool present = false;
  bool needed = false;   // a missing or faulty file makes the install incomplete
  bool parsed = false;
  std::string error;     // parse error with its byte offset, or a wrong root
  std::vector<std::string> missing;  // "closebtn", "Cef element Cef_game", ...
  bool Ok() const { return present ? parsed && error.empty() && missing.empty() : !needed; }
};

struct SkinFolderResult {
  std::string main_skin;
  std::vector<SkinFileResult> files;  // table order, then other *.xml files
  bool Ok() const {
    for (const SkinFileResult& f : files)
      if (!f.Ok()) return false;
    return true;
  }
};

// One file as it was read (UTF-8 or UTF-16 with a byte-order mark).
struct SkinFileText {
  std::string name;
  std::string bytes;
};

// Checks one file's text against its requirement (nullptr: parse only). A
// file of the table other than config.xml must have the root <Window>.
SkinFileResult CheckSkinFile(const std::string& name, const std::string& bytes,
                             const SkinRequirement* requirement);

// Checks the folder's files (names compared ignoring ASCII case).
SkinFolderResult CheckSkinFolder(const std::vector<SkinFileText>& files);

}  // namespace cafecheck
