#include "ResourceGenerator.h"

#include <QStringList>
#include <stdexcept>

namespace tarvo::gen {

namespace {

// One look of the editor. Each sheet covers every window: the main window with its browser
// lists and status labels, the parameter window's rows, the console, the firmware window, the
// information page and the new-version notice.
struct Colours {
    const char* window;    // window background
    const char* text;      // ordinary text
    const char* base;      // lists, edit boxes, pages
    const char* baseText;  // text on the base
    const char* alternate; // groove of sliders
    const char* button;    // push button face
    const char* buttonText;
    const char* buttonHover;
    const char* buttonPressed;
    const char* buttonPressedText;
    const char* border;     // the outline that sets a control off from the window
    const char* accent;     // selection, progress, slider fill
    const char* accentText; // text on the accent
    const char* disabled;   // greyed text
    const char* menu;       // menu bar and menus
    const char* status;     // status line text
    const char* logBase;    // console log
    const char* logText;
    const char* focus; // where the keyboard is
};

struct Look {
    const char* title;
    Colours c;
    const char* font;
    int fontPt;
    int radius;
    int borderWidth;
    const char* extra; // rules that make the look more than a change of colours
};

// clang-format off
const Look looks[8] = {
    {"Studio Light: the default, a quiet light grey with blue selections",
     {"#f0f0f0", "#1e1e1e", "#ffffff", "#1e1e1e", "#e3ecf7", "#fafafa", "#1e1e1e", "#e5f1fb", "#cce4f7",
      "#1e1e1e", "#767676", "#0a64c8", "#ffffff", "#8c8c8c", "#f7f7f7", "#0a4f9e", "#ffffff", "#202020",
      "#0a64c8"},
     "\"Segoe UI\", \"Noto Sans\", \"DejaVu Sans\", sans-serif", 9, 3, 1,
     "QPushButton#btnUpload { font-weight: bold; }\n"},

    {"Night Stage: dark grey panels with an amber accent, for dim rooms and stages",
     {"#232629", "#e6e6e6", "#1b1d20", "#e6e6e6", "#31363b", "#3a3f44", "#f0f0f0", "#4a5056", "#2a2e32",
      "#f0f0f0", "#7c848c", "#e09b2d", "#1b1d20", "#7a7f85", "#2b2f33", "#f2b45a", "#121314", "#c8e6c9",
      "#f2b45a"},
     "\"Noto Sans\", \"DejaVu Sans\", sans-serif", 9, 4, 1,
     "QPushButton#btnUpload { border-color: #e09b2d; }\n"
     "QListWidget::item:hover { background-color: #31363b; }\n"},

    {"High Contrast: black and white with yellow focus, for low vision",
     {"#000000", "#ffffff", "#000000", "#ffffff", "#1a1a1a", "#000000", "#ffffff", "#333333", "#ffff00",
      "#000000", "#ffffff", "#ffff00", "#000000", "#c0c0c0", "#000000", "#ffff00", "#000000", "#ffffff",
      "#ffff00"},
     "\"DejaVu Sans\", Verdana, sans-serif", 10, 0, 2,
     "QPushButton:disabled, QListWidget::item:disabled { text-decoration: line-through; }\n"
     "QLabel { font-weight: bold; }\n"},

    {"Warm Valve: cream and walnut, like the front panel of an old amplifier",
     {"#efe4cf", "#3b2a1a", "#fbf6ec", "#3b2a1a", "#e6d5b5", "#d9b77e", "#2e1f10", "#e6c690", "#b8915a",
      "#2e1f10", "#8a6a43", "#8c3b1e", "#fbf6ec", "#9a8a74", "#e3d3b3", "#8c3b1e", "#2b1d12", "#f3c77a",
      "#8c3b1e"},
     "Georgia, \"DejaVu Serif\", serif", 10, 8, 1,
     "QPushButton { background-color: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #e9cd98, "
     "stop:1 #c99d5e); }\n"
     "QListWidget#lstCategory { font-style: italic; }\n"},

    {"Deep Ocean: navy and teal, calm and cool",
     {"#0f2a3d", "#dcecf5", "#12344b", "#dcecf5", "#1b4763", "#1e5576", "#eaf6fc", "#27709a", "#163f58",
      "#eaf6fc", "#6a9fc0", "#2ec4b6", "#06202f", "#6f93a8", "#0b2231", "#7fe3d8", "#081a26", "#9fd8f0",
      "#7fe3d8"},
     "\"Noto Sans\", \"DejaVu Sans\", sans-serif", 9, 12, 1,
     "QPushButton:hover { border-color: #2ec4b6; }\n"
     "QProgressBar::chunk { margin: 1px; border-radius: 6px; }\n"},

    {"Forest: greens and off-white, soft on the eyes in daylight",
     {"#e8efe6", "#1f2d1f", "#f7faf5", "#1f2d1f", "#d5e3d0", "#cddfc6", "#1f2d1f", "#b9d3b0", "#9cc090",
      "#1f2d1f", "#5f7f57", "#2e7d32", "#ffffff", "#8a998a", "#dbe7d6", "#1b5e20", "#f4f8f2", "#1f3d1f",
      "#1b5e20"},
     "\"Liberation Sans\", \"DejaVu Sans\", sans-serif", 10, 2, 1,
     "QListWidget::item { border-bottom: 1px dotted #b9d3b0; }\n"
     "QGroupBox { font-weight: bold; }\n"},

    {"Graphite: flat mid greys with square corners and a red accent",
     {"#4a4d50", "#f2f2f2", "#3c3f41", "#f2f2f2", "#2f3133", "#5d6164", "#ffffff", "#6d7175", "#393b3d",
      "#ffffff", "#a0a4a8", "#ff7a7a", "#1b1b1b", "#a9adb0", "#3c3f41", "#ffb3b3", "#2b2b2b", "#e0e0e0",
      "#ffd166"},
     "\"DejaVu Sans Condensed\", \"DejaVu Sans\", sans-serif", 9, 0, 1,
     "QPushButton { font-weight: bold; }\n"
     "QMenuBar { border-bottom: 2px solid #ff7a7a; }\n"},

    {"Classic Pedal: the enclosure's own red with cream lettering",
     {"#7d1416", "#fff3dc", "#fff8ea", "#3d0708", "#f3dcc0", "#fff3dc", "#5a0d0f", "#ffe2b0", "#e8c48a",
      "#5a0d0f", "#3d0708", "#1c1c1c", "#fff3dc", "#d8a6a0", "#5a0d0f", "#ffd27a", "#1c1c1c", "#ffd27a",
      "#ffd27a"},
     "\"DejaVu Sans\", sans-serif", 10, 10, 2,
     "QListWidget::item:disabled { color: #b08f86; }\n"
     "QPushButton { font-size: 9pt; }\n"},
};
// clang-format on

// Every look fills in the same sheet: the %NAME% fields from its palette and sizes.
const char* const kSheet =
    "/* Tarvo Max look: %TITLE% */\n"
    "\n"
    "QWidget {\n"
    "    background-color: %WINDOW%;\n"
    "    color: %TEXT%;\n"
    "}\n"
    "/* The font is set on the windows and pop-ups, and every control takes it from its window: set\n"
    "   on each control, it would make every selector build its pop-up list as it is made. */\n"
    "EditorForm, QMenu, QToolTip, QDialog {\n"
    "    font-family: %FONT%;\n"
    "    font-size: %PT%pt;\n"
    "}\n"
    "QWidget:disabled { color: %DISABLED%; }\n"
    "QLabel, QCheckBox, QRadioButton { background-color: transparent; }\n"
    "QToolTip { background-color: %BASE%; color: %BASETEXT%; border: 1px solid %BORDER%; padding: 3px; "
    "}\n"
    "\n"
    "/* Menus */\n"
    "QMenuBar { background-color: %MENU%; color: %TEXT%; }\n"
    "QMenuBar::item { background-color: transparent; padding: 3px 5px; }\n"
    "QMenuBar::item:selected { background-color: %ACCENT%; color: %ACCENTTEXT%; }\n"
    "QMenu { background-color: %MENU%; color: %TEXT%; border: %BW%px solid %BORDER%; }\n"
    "QMenu::item { padding: 4px 24px 4px 24px; }\n"
    "QMenu::item:selected { background-color: %ACCENT%; color: %ACCENTTEXT%; }\n"
    "QMenu::item:disabled { color: %DISABLED%; }\n"
    "QMenu::separator { height: 1px; background-color: %BORDER%; margin: 3px 6px; }\n"
    "\n"
    "/* Buttons */\n"
    "QPushButton {\n"
    "    background-color: %BUTTON%;\n"
    "    color: %BUTTONTEXT%;\n"
    "    border: %BW%px solid %BORDER%;\n"
    "    border-radius: %RADIUS%px;\n"
    "    padding: 3px 6px;\n"
    "}\n"
    "QPushButton:hover { background-color: %BUTTONHOVER%; }\n"
    "QPushButton:pressed, QPushButton:checked {\n"
    "    background-color: %BUTTONPRESSED%;\n"
    "    color: %BUTTONPRESSEDTEXT%;\n"
    "}\n"
    "QPushButton:disabled { color: %DISABLED%; border-color: %DISABLED%; }\n"
    "QPushButton#btnUpload, QPushButton#btnUpgradeFirmware {\n"
    "    background-color: %ACCENT%;\n"
    "    color: %ACCENTTEXT%;\n"
    "}\n"
    "QPushButton#btnUpload:disabled, QPushButton#btnUpgradeFirmware:disabled {\n"
    "    background-color: %BUTTON%;\n"
    "    color: %DISABLED%;\n"
    "}\n"
    "QPushButton#btnGetFXInfo { padding: 0px; }\n"
    "\n"
    "/* The effect browser */\n"
    "QListWidget {\n"
    "    background-color: %BASE%;\n"
    "    color: %BASETEXT%;\n"
    "    border: %BW%px solid %BORDER%;\n"
    "    border-radius: %RADIUS%px;\n"
    "    outline: none;\n"
    "}\n"
    "QListWidget::item { padding: 2px 4px; }\n"
    "QListWidget::item:selected { background-color: %ACCENT%; color: %ACCENTTEXT%; }\n"
    "QListWidget::item:disabled { color: %DISABLED%; }\n"
    "QListWidget#lstCategory { font-weight: bold; }\n"
    "\n"
    "/* Main window labels */\n"
    "QLabel#lblStatus { color: %STATUS%; font-weight: bold; }\n"
    "QLabel#lblDeviceName, QLabel#lblSerialNumber, QLabel#lblFirmwareVersion { color: %STATUS%; }\n"
    "QLabel#lblLive, QLabel#lblBankNum { font-weight: bold; }\n"
    "\n"
    "/* Check boxes, radio buttons and the live switch */\n"
    "QCheckBox, QRadioButton { spacing: 6px; }\n"
    "QCheckBox::indicator, QRadioButton::indicator {\n"
    "    width: 13px;\n"
    "    height: 13px;\n"
    "    background-color: %BASE%;\n"
    "    border: %BW%px solid %BORDER%;\n"
    "}\n"
    "QRadioButton::indicator { border-radius: 7px; }\n"
    "QCheckBox::indicator:checked, QRadioButton::indicator:checked { background-color: %ACCENT%; }\n"
    "QCheckBox::indicator:disabled, QRadioButton::indicator:disabled { border-color: %DISABLED%; }\n"
    "ToggleSwitch {\n"
    "    background-color: transparent;\n"
    "    qproperty-trackColour: %BASE%;\n"
    "    qproperty-onColour: %ACCENT%;\n"
    "    qproperty-knobColour: %ACCENTTEXT%;\n"
    "    qproperty-outlineColour: %BORDER%;\n"
    "    qproperty-focusColour: %FOCUS%;\n"
    "}\n"
    "\n"
    "/* Selectors and edit boxes */\n"
    "QComboBox, QLineEdit {\n"
    "    background-color: %BASE%;\n"
    "    color: %BASETEXT%;\n"
    "    border: %BW%px solid %BORDER%;\n"
    "    border-radius: %RADIUS%px;\n"
    "    padding: 2px 6px;\n"
    "}\n"
    "QComboBox:disabled, QLineEdit:disabled { color: %DISABLED%; }\n"
    "QComboBox QAbstractItemView {\n"
    "    background-color: %BASE%;\n"
    "    color: %BASETEXT%;\n"
    "    selection-background-color: %ACCENT%;\n"
    "    selection-color: %ACCENTTEXT%;\n"
    "}\n"
    "QLineEdit { selection-background-color: %ACCENT%; selection-color: %ACCENTTEXT%; }\n"
    "\n"
    "/* Parameter window: pots */\n"
    "QSlider::groove:horizontal {\n"
    "    height: 6px;\n"
    "    background-color: %ALTERNATE%;\n"
    "    border: 1px solid %BORDER%;\n"
    "    border-radius: 3px;\n"
    "}\n"
    "QSlider::sub-page:horizontal { background-color: %ACCENT%; border-radius: 3px; }\n"
    "QSlider::handle:horizontal {\n"
    "    width: 14px;\n"
    "    margin: -5px 0;\n"
    "    background-color: %BUTTON%;\n"
    "    border: %BW%px solid %BORDER%;\n"
    "    border-radius: 7px;\n"
    "}\n"
    "QSlider::handle:horizontal:hover { background-color: %BUTTONHOVER%; }\n"
    "QSlider::sub-page:horizontal:disabled { background-color: %DISABLED%; }\n"
    "\n"
    "/* Debug console */\n"
    "QPlainTextEdit#Memo1 {\n"
    "    background-color: %LOGBASE%;\n"
    "    color: %LOGTEXT%;\n"
    "    border: %BW%px solid %BORDER%;\n"
    "    font-family: \"DejaVu Sans Mono\", \"Liberation Mono\", monospace;\n"
    "    selection-background-color: %ACCENT%;\n"
    "    selection-color: %ACCENTTEXT%;\n"
    "}\n"
    "QLineEdit#edtAddress, QLineEdit#edtData, QLineEdit#edtQ, QLineEdit#edtBoost {\n"
    "    font-family: \"DejaVu Sans Mono\", \"Liberation Mono\", monospace;\n"
    "}\n"
    "\n"
    "/* Firmware upgrade */\n"
    "QProgressBar {\n"
    "    background-color: %BASE%;\n"
    "    color: %BASETEXT%;\n"
    "    border: %BW%px solid %BORDER%;\n"
    "    border-radius: %RADIUS%px;\n"
    "    text-align: center;\n"
    "}\n"
    "QProgressBar::chunk { background-color: %ACCENT%; }\n"
    "\n"
    "/* Effect information and the new-version notice */\n"
    "QTextBrowser {\n"
    "    background-color: %BASE%;\n"
    "    color: %BASETEXT%;\n"
    "    border: %BW%px solid %BORDER%;\n"
    "}\n"
    "\n"
    "/* Scroll bars */\n"
    "QScrollBar:vertical { background-color: %WINDOW%; width: 12px; margin: 0; }\n"
    "QScrollBar:horizontal { background-color: %WINDOW%; height: 12px; margin: 0; }\n"
    "QScrollBar::handle:vertical, QScrollBar::handle:horizontal {\n"
    "    background-color: %BUTTONPRESSED%;\n"
    "    border: 1px solid %BORDER%;\n"
    "    border-radius: %RADIUS%px;\n"
    "    min-height: 20px;\n"
    "    min-width: 20px;\n"
    "}\n"
    "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }\n"
    "QScrollBar::add-page, QScrollBar::sub-page { background: none; }\n"
    "\n"
    "QGroupBox { border: %BW%px solid %BORDER%; border-radius: %RADIUS%px; margin-top: 8px; }\n"
    "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; }\n"
    "\n"
    "/* Where the keyboard is, in every control */\n"
    "QPushButton:focus, QListWidget:focus, QComboBox:focus, QLineEdit:focus, QPlainTextEdit:focus,\n"
    "QPlainTextEdit#Memo1:focus, QTextBrowser:focus {\n"
    "    border: 2px solid %FOCUS%;\n"
    "}\n"
    "QCheckBox, QRadioButton { border: 1px solid transparent; }\n"
    "QCheckBox:focus, QRadioButton:focus { border-color: %FOCUS%; }\n"
    "QSlider::handle:horizontal:focus { border: 2px solid %FOCUS%; }\n";

QString sheet(const Look& l) {
    QString s = QString::fromLatin1(kSheet);
    const std::pair<const char*, QString> fields[] = {
        {"%TITLE%", QString::fromLatin1(l.title)},
        {"%BASETEXT%", QString::fromLatin1(l.c.baseText)},
        {"%WINDOW%", QString::fromLatin1(l.c.window)},
        {"%TEXT%", QString::fromLatin1(l.c.text)},
        {"%BASE%", QString::fromLatin1(l.c.base)},
        {"%ALTERNATE%", QString::fromLatin1(l.c.alternate)},
        {"%BUTTONTEXT%", QString::fromLatin1(l.c.buttonText)},
        {"%BUTTONHOVER%", QString::fromLatin1(l.c.buttonHover)},
        {"%BUTTONPRESSEDTEXT%", QString::fromLatin1(l.c.buttonPressedText)},
        {"%BUTTONPRESSED%", QString::fromLatin1(l.c.buttonPressed)},
        {"%BUTTON%", QString::fromLatin1(l.c.button)},
        {"%BORDER%", QString::fromLatin1(l.c.border)},
        {"%ACCENTTEXT%", QString::fromLatin1(l.c.accentText)},
        {"%ACCENT%", QString::fromLatin1(l.c.accent)},
        {"%DISABLED%", QString::fromLatin1(l.c.disabled)},
        {"%MENU%", QString::fromLatin1(l.c.menu)},
        {"%STATUS%", QString::fromLatin1(l.c.status)},
        {"%LOGBASE%", QString::fromLatin1(l.c.logBase)},
        {"%LOGTEXT%", QString::fromLatin1(l.c.logText)},
        {"%FOCUS%", QString::fromLatin1(l.c.focus)},
        {"%FONT%", QString::fromLatin1(l.font)},
        {"%PT%", QString::number(l.fontPt)},
        {"%RADIUS%", QString::number(l.radius)},
        {"%BW%", QString::number(l.borderWidth)},
    };
    for (const auto& [key, value] : fields)
        s.replace(QLatin1String(key), value);
    s += QStringLiteral("\n/* Particular to this look */\n") + QString::fromLatin1(l.extra);
    return s;
}

} // namespace

std::map<QString, QString> lookColours(int look) {
    if (look < 0 || look >= 8)
        throw std::out_of_range("no such look");
    const Colours& c = looks[look].c;
    const std::pair<const char*, const char*> roles[] = {
        {"window", c.window},
        {"text", c.text},
        {"base", c.base},
        {"baseText", c.baseText},
        {"alternate", c.alternate},
        {"button", c.button},
        {"buttonText", c.buttonText},
        {"buttonHover", c.buttonHover},
        {"buttonPressed", c.buttonPressed},
        {"buttonPressedText", c.buttonPressedText},
        {"border", c.border},
        {"accent", c.accent},
        {"accentText", c.accentText},
        {"disabled", c.disabled},
        {"menu", c.menu},
        {"status", c.status},
        {"logBase", c.logBase},
        {"logText", c.logText},
        {"focus", c.focus},
    };
    std::map<QString, QString> colours;
    for (const auto& [role, value] : roles)
        colours[QString::fromLatin1(role)] = QString::fromLatin1(value);
    return colours;
}

QByteArray styleSheet(int look) {
    if (look < 0 || look >= 8)
        throw std::out_of_range("no such look");
    // Saved with Windows line ends, like every other text resource of the editor.
    return sheet(looks[look]).toLatin1().replace("\n", "\r\n");
}

} // namespace tarvo::gen
