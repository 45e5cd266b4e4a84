#include "support/RcDialogs.h"

#include <algorithm>
#include <cctype>
#include <regex>
#include <set>
#include <stdexcept>

#include "support/RcStringTable.h"

namespace quendal::test {

namespace {

using namespace rc;

const std::map<std::string, std::uint32_t>& StyleNames() {
#define QUENDAL_RC_STYLE(name) \
  { #name, name }
  static const std::map<std::string, std::uint32_t> names{
      QUENDAL_RC_STYLE(WS_POPUP),         QUENDAL_RC_STYLE(WS_CHILD),
      QUENDAL_RC_STYLE(WS_VISIBLE),       QUENDAL_RC_STYLE(WS_DISABLED),
      QUENDAL_RC_STYLE(WS_CAPTION),       QUENDAL_RC_STYLE(WS_BORDER),
      QUENDAL_RC_STYLE(WS_SYSMENU),       QUENDAL_RC_STYLE(WS_GROUP),
      QUENDAL_RC_STYLE(WS_TABSTOP),       QUENDAL_RC_STYLE(WS_EX_APPWINDOW),
      QUENDAL_RC_STYLE(DS_MODALFRAME),    QUENDAL_RC_STYLE(DS_SETFONT),
      QUENDAL_RC_STYLE(BS_OWNERDRAW),     QUENDAL_RC_STYLE(BS_CENTER),
      QUENDAL_RC_STYLE(SS_ICON),          QUENDAL_RC_STYLE(SS_GRAYFRAME),
      QUENDAL_RC_STYLE(SS_BITMAP),        QUENDAL_RC_STYLE(SS_NOTIFY),
      QUENDAL_RC_STYLE(SS_REALSIZEIMAGE), QUENDAL_RC_STYLE(SS_SUNKEN),
      QUENDAL_RC_STYLE(ES_RIGHT),         QUENDAL_RC_STYLE(ES_READONLY),
      QUENDAL_RC_STYLE(TBS_AUTOTICKS),    QUENDAL_RC_STYLE(TBS_VERT),
      QUENDAL_RC_STYLE(TBS_LEFT),         QUENDAL_RC_STYLE(TBS_BOTH),
  };
#undef QUENDAL_RC_STYLE
  return names;
}

// What a control statement stands for, as the MinGW resource compiler has it: the style it
// gets when the statement names none, and the one the named styles are added to. Both gain
// WS_CHILD | WS_VISIBLE.
struct ControlKind {
  const char* windowClass;
  std::uint32_t defaultStyle;
  std::uint32_t baseStyle;
};

const std::map<std::string, ControlKind>& ControlKinds() {
  static const std::map<std::string, ControlKind> kinds{
      {"AUTOCHECKBOX", {"button", BS_AUTOCHECKBOX | WS_TABSTOP, BS_AUTOCHECKBOX | WS_TABSTOP}},
      {"AUTORADIOBUTTON", {"button", BS_AUTORADIOBUTTON | WS_TABSTOP, BS_AUTORADIOBUTTON}},
      {"GROUPBOX", {"button", BS_GROUPBOX, BS_GROUPBOX}},
      {"PUSHBUTTON", {"button", BS_PUSHBUTTON | WS_TABSTOP, BS_PUSHBUTTON | WS_TABSTOP}},
      {"DEFPUSHBUTTON", {"button", BS_DEFPUSHBUTTON | WS_TABSTOP, BS_DEFPUSHBUTTON | WS_TABSTOP}},
      {"LTEXT", {"static", SS_LEFT | WS_GROUP, SS_LEFT}},
      {"CTEXT", {"static", SS_CENTER | WS_GROUP, SS_CENTER}},
      {"RTEXT", {"static", SS_RIGHT | WS_GROUP, SS_RIGHT}},
      {"ICON", {"static", SS_ICON, SS_ICON}},
      {"EDITTEXT", {"edit", ES_LEFT | WS_BORDER | WS_TABSTOP, ES_LEFT | WS_BORDER | WS_TABSTOP}},
      {"CONTROL", {"", 0, 0}},
  };
  return kinds;
}

// One argument of a statement: the tokens between two commas.
using Field = std::vector<std::string>;
using Statement = std::pair<std::string, std::vector<Field>>;

// Splits `text` into statements, each a keyword of `keywords` and its comma-separated fields.
// Quoted strings stay one token, quotes included; line comments are dropped.
std::vector<Statement> SplitStatements(const std::string& text, const auto& keywords) {
  std::vector<Statement> statements;
  const std::regex token(R"re("(?:[^"]|"")*"|//[^\n]*|-?[\w.]+|[,|])re");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), token);
       it != std::sregex_iterator(); ++it) {
    const std::string word = it->str();
    if (word.starts_with("//")) continue;
    if (keywords.contains(word)) {
      statements.push_back({word, {{}}});
    } else if (statements.empty()) {
      throw std::runtime_error("resource script: " + word + " outside a statement");
    } else if (word == ",") {
      statements.back().second.emplace_back();
    } else {
      statements.back().second.back().push_back(word);
    }
  }
  return statements;
}

class TemplateReader {
 public:
  explicit TemplateReader(std::map<std::string, unsigned> ids) : m_ids(std::move(ids)) {}

  int Id(const std::string& name) const {
    if (std::isdigit(static_cast<unsigned char>(name[0])) || name[0] == '-') {
      return std::stoi(name, nullptr, 0);
    }
    static const std::map<std::string, int> systemIds{{"IDC_STATIC", -1}, {"IDOK", 1}};
    if (const auto id = systemIds.find(name); id != systemIds.end()) return id->second;
    if (const auto id = m_ids.find(name); id != m_ids.end()) return static_cast<int>(id->second);
    throw std::runtime_error("resource script: unknown id " + name);
  }

  // Applies `field` ("A | B | NOT C") to `style` in order, as the resource compiler does.
  static std::uint32_t Style(std::uint32_t style, const Field& field) {
    for (std::size_t i = 0; i < field.size(); ++i) {
      if (field[i] == "|") continue;
      const bool cleared = field[i] == "NOT" && ++i < field.size();
      const std::uint32_t bits = StyleBits(field.at(i));
      style = cleared ? style & ~bits : style | bits;
    }
    return style;
  }

  RcRect Rect(const std::vector<Field>& fields, std::size_t first) const {
    return {Number(fields, first), Number(fields, first + 1), Number(fields, first + 2),
            Number(fields, first + 3)};
  }

  int Number(const std::vector<Field>& fields, std::size_t index) const {
    return Id(fields.at(index).at(0));
  }

  RcControl Control(const std::string& keyword, const std::vector<Field>& fields) const {
    const ControlKind& kind = ControlKinds().at(keyword);
    RcControl control;
    control.windowClass = kind.windowClass;
    std::size_t next = 0;
    if (keyword != "EDITTEXT") {
      // Only ICON and CONTROL name a picture here; the other statements' text may also be a
      // string macro of the version header.
      const std::string& text = fields.at(next++).at(0);
      const bool namesPicture = keyword == "ICON" || keyword == "CONTROL";
      if (namesPicture && !text.starts_with('"')) control.image = static_cast<unsigned>(Id(text));
    }
    control.id = Number(fields, next++);
    const Field* named = nullptr;  // the styles the statement names
    if (keyword == "CONTROL") {
      control.windowClass = Unquoted(fields.at(next++).at(0));
      std::ranges::transform(control.windowClass, control.windowClass.begin(),
                             [](unsigned char c) { return std::tolower(c); });
      named = &fields.at(next++);
    }
    control.rect = Rect(fields, next);
    if (keyword == "ICON") control.rect.width = control.rect.height = 0;  // sized by its image
    next += 4;
    if (named == nullptr && next < fields.size()) named = &fields[next];
    control.style = named != nullptr ? Style(WS_CHILD | WS_VISIBLE | kind.baseStyle, *named)
                                     : WS_CHILD | WS_VISIBLE | kind.defaultStyle;
    return control;
  }

  // A DIALOGEX resource from its header (from the keyword to BEGIN) and its body.
  RcDialog Dialog(const std::string& header, const std::string& body) const {
    RcDialog dialog;
    // Without STYLE a dialog is a bordered pop-up with a system menu; CAPTION and FONT add
    // the caption and the font styles to whatever STYLE says.
    std::uint32_t style = WS_POPUP | WS_BORDER | WS_SYSMENU;
    std::uint32_t added = 0;
    for (const auto& [keyword, fields] : SplitStatements(header, kHeaderKeywords)) {
      if (keyword == "DIALOGEX") dialog.rect = Rect(fields, 0);
      if (keyword == "STYLE") style = Style(0, fields.at(0));
      if (keyword == "EXSTYLE") dialog.exStyle = Style(0, fields.at(0));
      if (keyword == "CAPTION") {
        dialog.caption = DecodeUtf8(Unquoted(fields.at(0).at(0)));
        added |= WS_CAPTION;
      }
      if (keyword == "FONT") {
        dialog.fontSize = Number(fields, 0);
        dialog.fontFace = Unquoted(fields.at(1).at(0));
        added |= DS_SETFONT;
      }
    }
    dialog.style = style | added;
    for (const auto& [keyword, fields] : SplitStatements(body, ControlKinds())) {
      dialog.controls.push_back(Control(keyword, fields));
    }
    return dialog;
  }

 private:
  static std::uint32_t StyleBits(const std::string& name) {
    if (std::isdigit(static_cast<unsigned char>(name[0]))) {
      return static_cast<std::uint32_t>(std::stoul(name, nullptr, 0));
    }
    const auto bits = StyleNames().find(name);
    if (bits == StyleNames().end()) throw std::runtime_error("resource script: style " + name);
    return bits->second;
  }

  static std::string Unquoted(const std::string& literal) {
    return literal.substr(1, literal.size() - 2);
  }

  inline static const std::set<std::string> kHeaderKeywords{"DIALOGEX", "STYLE", "EXSTYLE",
                                                            "CAPTION", "FONT"};

  std::map<std::string, unsigned> m_ids;
};

}  // namespace

const RcControl* RcDialog::Find(int id) const {
  const auto control = std::ranges::find(controls, id, &RcControl::id);
  return control == controls.end() ? nullptr : &*control;
}

std::map<unsigned, RcDialog> ReadRcDialogs(const std::vector<std::string>& rcPaths,
                                           const std::string& idHeaderPath) {
  const TemplateReader reader(ReadResourceIds(idHeaderPath));
  const std::regex dialog(R"re((\w+)\s+(DIALOGEX[\s\S]*?)\nBEGIN\n([\s\S]*?)\nEND)re");
  std::map<unsigned, RcDialog> dialogs;
  for (const std::string& path : rcPaths) {
    const std::string script = ReadTextFile(path);
    for (auto it = std::sregex_iterator(script.begin(), script.end(), dialog);
         it != std::sregex_iterator(); ++it) {
      const auto id = static_cast<unsigned>(reader.Id((*it)[1]));
      dialogs[id] = reader.Dialog((*it)[2], (*it)[3]);
    }
  }
  return dialogs;
}

std::map<unsigned, RcDialog> ReadRcDialogs() {
  return ReadRcDialogs({QUENDAL_RES_DIR "/control_panel.rc", QUENDAL_RES_DIR "/effects_page.rc",
                        QUENDAL_RES_DIR "/volume_page.rc", QUENDAL_RES_DIR "/speaker_test.rc"},
                       QUENDAL_RES_DIR "/resource_ids.h");
}

}  // namespace quendal::test
