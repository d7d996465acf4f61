// The Win32 window, spawn-editor.exe, under Wine on an Xvfb server of the test's own, driven from
// outside by window-driver.exe (its commands are listed at the top of WindowDriver.cpp): start-up,
// the controls of template 102, the coordinate boxes key by key against the standard-library rule
// the Linux window follows, the ways out, the client button against the Wine stand-in client, and
// the editing of records through the list, the form and the buttons as the Linux window edits them.

#include "ChildProcess.h"
#include "ElementBytes.h"
#include "FakeCoordinateBoxes.h"
#include "SpawnBytes.h"
#include "TempFolder.h"

#include "ClientPosition.h"
#include "CoordinateConversion.h"
#include "SpawnVersion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

using namespace spawn;
using namespace spawn::testing;

namespace {

std::optional<ChildProcess> g_xvfb;
std::string g_problem = "Xvfb or the Windows build (mingw-w64 and Wine) is not installed";
bool g_ready = false;

constexpr int kMapWidth = 437;
constexpr int kMapHeight = 504;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;
constexpr int kUndoCommand = 0xE12B;
constexpr int kRedoCommand = 0xE12C;
constexpr int kEnterKey = 13;
constexpr int kEscapeKey = 27;

std::string windowsPath(const std::filesystem::path& path) {
    std::string text = "Z:" + path.string();
    std::replace(text.begin(), text.end(), '/', '\\');
    return text;
}

// The driver and the editor it started. Each answer is one line; a dead driver answers "(none)".
class Editor {
public:
    explicit Editor(const std::filesystem::path& folder) {
        m_driver = ChildProcess::start({SPAWN_WINE, SPAWN_WINDOW_DRIVER, windowsPath(SPAWN_EDITOR)});
        started = m_driver && ask("start " + windowsPath(folder)) == "started";
    }
    ~Editor() {
        if (m_driver) {
            ask("kill");
            ask("quit");
        }
    }
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    std::string ask(const std::string& command) {
        if (!m_driver || !m_driver->writeLine(command)) {
            return "(none)";
        }
        return m_driver->readLine().value_or("(none)");
    }

    // Dismisses the start-up messages (the database's build) until the main window shows;
    // "main CAPTION", or what came instead.
    std::string waitForMainWindow() {
        std::string seen;
        for (int tries = 0; tries < 10; ++tries) {
            seen = ask("wait window");
            if (!seen.starts_with("message ")) {
                return seen;
            }
            messages.push_back(seen.substr(8));
            ask("answer " + std::to_string(kIdOk));
        }
        return seen;
    }

    std::string text(int id) { return withoutPrefix(ask("text " + std::to_string(id)), "text "); }

    // The six coordinate boxes' texts, one blank between them.
    std::string coordinateTexts() {
        std::string command = "texts";
        for (const int id : kCoordinateBoxIds) {
            command += " " + std::to_string(id);
        }
        std::string texts = withoutPrefix(ask(command), "texts ");
        std::replace(texts.begin(), texts.end(), '|', ' ');
        return texts;
    }

    // Every child of the main window by its description, "ID CLASS STYLE EXSTYLE L T R B VISIBLE TEXT".
    std::vector<std::string> controls() {
        std::vector<std::string> out;
        const int count = std::atoi(withoutPrefix(ask("controls"), "controls ").c_str());
        for (int i = 0; i < count; ++i) {
            out.push_back(withoutPrefix(ask("control " + std::to_string(i)), "control "));
        }
        return out;
    }

    static std::string withoutPrefix(const std::string& answer, const std::string& prefix) {
        return answer.starts_with(prefix) ? answer.substr(prefix.size()) : "(" + answer + ")";
    }

    bool started = false;
    std::vector<std::string> messages;

private:
    std::optional<ChildProcess> m_driver;
};

// A folder with a small demo world.
struct World {
    World() {
        const auto made = runProgram({SPAWN_TOOL, "demo", folder.path().string(), "--areas", "20"});
        ok = made.exitCode == 0;
    }
    TempFolder folder;
    bool ok = false;
};

// A folder with four records and an element database that names their creatures in Chinese; two
// of the names share "苍鹭".
struct NamedWorld {
    NamedWorld() {
        writeBytes(folder.file("mobset.data"), fileBytes(4, records, remainder));
        ElementBytes database;
        database.npcs = {{7, utf16(u"摆渡人")}, {321, utf16(u"沼泽苍鹭")}, {322, utf16(u"苍鹭王")}};
        writeBytes(folder.file("elements.data"), database.build());
    }
    std::string caption() const { return "Spawn Editor " + std::string(kProgramVersion) + " - mobset.data"; }

    TempFolder folder;
    const std::vector<std::vector<std::uint8_t>> records = {recordBytes(1, 7), recordBytes(0), recordBytes(5, 321),
                                                            recordBytes(2, 322, 9)};
    const std::vector<std::uint8_t> remainder = {1, 2, 3, 4, 5};
};

class Win32WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!g_ready) {
            GTEST_SKIP() << g_problem;
        }
    }
};

// A control of the template as the window must show it: found by ID, or by text when it has none.
struct TemplateControl {
    int id;
    const char* className;
    unsigned long styleBits; // all of them set
    const char* text;
    int x, y, w, h; // dialog units
};

constexpr unsigned long kCentreImage = 0x200;       // SS_CENTERIMAGE
constexpr unsigned long kGroupBox = 0x7;            // BS_GROUPBOX
constexpr unsigned long kCentredGroupBox = 0x307;   // BS_GROUPBOX | BS_CENTER
constexpr unsigned long kAutoRadio = 0x9;           // BS_AUTORADIOBUTTON
constexpr unsigned long kMultiLine = 0x2000;        // BS_MULTILINE
constexpr unsigned long kAutoScroll = 0x80;         // ES_AUTOHSCROLL
constexpr unsigned long kOwnerDataReport = 0x1005;  // LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDATA
constexpr unsigned long kBitmap = 0xE;              // SS_BITMAP
constexpr unsigned long kDropDownList = 0x3;        // CBS_DROPDOWNLIST
constexpr int kNoId = -1;

const std::vector<TemplateControl> kTemplate = {
    {kNoId, "Button", kGroupBox, "List", 7, 7, 147, 131},
    {1005, "Static", kCentreImage, "Total NPC-->20", 12, 19, 87, 13},
    {1016, "Button", 0, "Refresh", 103, 19, 45, 13},
    {1000, "SysListView32", kOwnerDataReport, "", 12, 38, 137, 95},
    {kNoId, "Button", kGroupBox, "Search", 158, 7, 126, 44},
    {1007, "Button", kAutoRadio, "ID", 166, 21, 32, 10},
    {1008, "Button", kAutoRadio, "Name", 166, 35, 40, 10},
    {1009, "Edit", kAutoScroll, "", 205, 16, 71, 14},
    {1010, "Button", 0, "Ok->>", 225, 33, 50, 14},
    {1006, "Button", 0, "+", 162, 56, 56, 14},
    {1015, "Button", 0, "-", 224, 56, 56, 14},
    {1003, "Button", 0, "New", 162, 79, 56, 14},
    {1021, "Button", 0, "Remove", 225, 79, 56, 14},
    {1004, "Button", 0, "Apply", 161, 100, 119, 14},
    {3, "Button", kMultiLine, "Save", 161, 120, 61, 17},
    {1011, "Button", 0, "Logout", 226, 121, 54, 16},
    {kNoId, "Button", kGroupBox, "Options", 7, 142, 280, 298},
    {1001, "Static", 0, "", 12, 152, 269, 273},
    {1002, "ScrollBar", 0, "", 9, 427, 277, 11},
    {kNoId, "Button", kCentredGroupBox, "Location NPC", 291, 7, 301, 353},
    {1024, "Static", kBitmap, "", 296, 19, 291, 336},
    {kNoId, "Button", kGroupBox, "Absolute coordinates", 291, 362, 301, 28},
    {kNoId, "Static", 0, "X:", 296, 373, 27, 12},
    {1012, "Edit", kAutoScroll, "0", 327, 372, 61, 12},
    {kNoId, "Static", 0, "Y:", 393, 373, 27, 12},
    {1013, "Edit", kAutoScroll, "0", 425, 372, 61, 12},
    {kNoId, "Static", 0, "Z:", 491, 373, 27, 12},
    {1014, "Edit", kAutoScroll, "0", 523, 372, 61, 12},
    {kNoId, "Button", kGroupBox, "The coordinates on the map", 291, 394, 301, 26},
    {kNoId, "Static", 0, "X:", 296, 406, 27, 12},
    {1017, "Edit", kAutoScroll, "0", 328, 405, 61, 12},
    {kNoId, "Static", 0, "Y:", 394, 406, 27, 12},
    {1018, "Edit", kAutoScroll, "0", 426, 405, 61, 12},
    {kNoId, "Static", 0, "Height:", 492, 404, 28, 12},
    {1019, "Edit", kAutoScroll, "0", 524, 404, 61, 12},
    {1020, "Button", 0, "<--Set the coordinates NPC", 291, 425, 110, 15},
    {1023, "Button", 0, "-----", 411, 425, 68, 15},
    {kNoId, "Static", 0, "---:", 482, 428, 37, 12},
    {1022, "ComboBox", kDropDownList, "官服 105", 524, 428, 70, 51},
};

struct Described {
    int id = 0;
    std::string className;
    unsigned long style = 0;
    unsigned long exStyle = 0;
    int left = 0, top = 0, right = 0, bottom = 0;
    bool visible = false;
    std::string text;
};

Described parse(const std::string& line) {
    std::istringstream in(line);
    Described d;
    std::string style;
    std::string exStyle;
    int visible = 0;
    in >> d.id >> d.className >> style >> exStyle >> d.left >> d.top >> d.right >> d.bottom >> visible;
    d.style = std::strtoul(style.c_str(), nullptr, 16);
    d.exStyle = std::strtoul(exStyle.c_str(), nullptr, 16);
    d.visible = visible != 0;
    std::getline(in, d.text);
    if (!d.text.empty()) {
        d.text.erase(0, 1);
    }
    return d;
}

std::string rectOf(const Described& d) {
    return "rect " + std::to_string(d.left) + " " + std::to_string(d.top) + " " + std::to_string(d.right) + " " +
           std::to_string(d.bottom);
}

} // namespace

TEST_F(Win32WindowTest, WithoutTheFilesStartUpAsksForThemAndACancelledDialogEndsItWithStatusZero) {
    const TempFolder empty;
    Editor editor(empty.path());
    ASSERT_TRUE(editor.started);
    EXPECT_EQ(editor.ask("wait dialog"), "dialog Open");
    editor.ask("answer " + std::to_string(kIdCancel));
    EXPECT_EQ(editor.ask("wait exit"), "exit 0");

    // With the element database there, the spawn file's dialog comes next, and ends it the same way.
    const World world;
    ASSERT_TRUE(world.ok);
    std::filesystem::remove(world.folder.path() / "mobset.data");
    Editor second(world.folder.path());
    ASSERT_TRUE(second.started);
    EXPECT_EQ(second.waitForMainWindow(), "dialog Open");
    EXPECT_EQ(second.messages.size(), 1U); // the database's build
    second.ask("answer " + std::to_string(kIdCancel));
    EXPECT_EQ(second.ask("wait exit"), "exit 0");
}

TEST_F(Win32WindowTest, EveryControlOfTheWindowHasItsIdClassStyleTextAndDialogUnitGeometry) {
    const World world;
    ASSERT_TRUE(world.ok);
    Editor editor(world.folder.path());
    ASSERT_TRUE(editor.started);
    EXPECT_EQ(editor.waitForMainWindow(), "main Spawn Editor " + std::string(kProgramVersion) + " - mobset.data");

    std::vector<Described> shown;
    for (const std::string& line : editor.controls()) {
        shown.push_back(parse(line));
    }
    EXPECT_EQ(shown.size(), kTemplate.size());
    for (const TemplateControl& control : kTemplate) {
        SCOPED_TRACE(std::to_string(control.id) + " " + control.text);
        // A control without an ID is the n-th of its text, as the children keep the template's order.
        int sameTextBefore = 0;
        for (const TemplateControl* earlier = kTemplate.data(); earlier != &control; ++earlier) {
            sameTextBefore += earlier->id == kNoId && std::string(earlier->text) == control.text ? 1 : 0;
        }
        const auto found = std::find_if(shown.begin(), shown.end(), [&](const Described& d) {
            if (control.id != kNoId) {
                return d.id == control.id;
            }
            return (d.id == kNoId || d.id == 0xFFFF) && d.text == control.text && sameTextBefore-- == 0;
        });
        ASSERT_NE(found, shown.end());
        EXPECT_EQ(found->className, control.className);
        EXPECT_EQ(found->style & control.styleBits, control.styleBits);
        if (control.id != 1024) { // the picture's text is the bitmap's resource number
            EXPECT_EQ(found->text, control.text);
        }
        const std::string units = editor.ask("units " + std::to_string(control.x) + " " + std::to_string(control.y) +
                                             " " + std::to_string(control.w) + " " + std::to_string(control.h));
        ASSERT_TRUE(units.starts_with("rect ")) << units;
        const Described expected = parse("0 x 0 0 " + units.substr(5) + " 1");
        if (control.id == 1024) {
            // A static showing a bitmap takes the bitmap's size.
            EXPECT_EQ(found->left, expected.left);
            EXPECT_EQ(found->top, expected.top);
            EXPECT_EQ(found->right - found->left, kMapWidth);
            EXPECT_EQ(found->bottom - found->top, kMapHeight);
        } else if (control.id == 1022) {
            // A drop-down list is one line tall; the template's height is that of its open list.
            EXPECT_EQ(found->left, expected.left);
            EXPECT_EQ(found->top, expected.top);
            EXPECT_EQ(found->right, expected.right);
        } else {
            EXPECT_EQ(rectOf(*found), units);
        }
        EXPECT_EQ(found->visible, control.id != 1002); // the form's scroll bar is hidden at first
        // The bordered ones (the count label, the edit boxes, the list) are drawn sunken, as the
        // dialog manager turns a control's border into a client edge.
        constexpr unsigned long kClientEdge = 0x200; // WS_EX_CLIENTEDGE
        const bool sunken = control.id == 1005 || control.id == 1000 || std::string(control.className) == "Edit";
        EXPECT_EQ((found->exStyle & kClientEdge) != 0, sunken);
    }

    EXPECT_EQ(editor.ask("checked 1007"), "checked 1");
    EXPECT_EQ(editor.ask("checked 1008"), "checked 0");
    std::string profiles = "combo " + std::to_string(kClientProfiles.size()) + " 0 ";
    for (std::size_t i = 0; i < kClientProfiles.size(); ++i) {
        if (i > 0) {
            profiles += '|';
        }
        profiles += kClientProfiles[i].listText;
    }
    EXPECT_EQ(editor.ask("combo 1022"), profiles);
    EXPECT_EQ(editor.ask("rows 1000"), "rows 20");
    EXPECT_EQ(editor.ask("marker"), "marker none"); // no position shown yet
}

// The same keys typed into the Linux window's boxes (the controller both windows drive, here with
// line edits in memory) and into the Win32 window's give the same six texts after every key.
TEST_F(Win32WindowTest, TypedKeysGiveTheBoxesTheLinuxWindowsTextsAndTheMarkerItsPlace) {
    const World world;
    ASSERT_TRUE(world.ok);
    Editor editor(world.folder.path());
    ASSERT_TRUE(editor.started);
    ASSERT_TRUE(editor.waitForMainWindow().starts_with("main "));
    FakeCoordinateBoxes linux;
    ASSERT_EQ(editor.coordinateTexts(), linux.texts());

    const std::vector<std::pair<std::size_t, std::string>> typing = {
        {0, "-2500"}, {0, "12.50"}, {2, "-1234.5"}, {0, "+1e3"}, {3, "-"}, {5, "0012"}, {0, "abc"}};
    for (const auto& [box, keys] : typing) {
        SCOPED_TRACE(keys);
        const std::string id = std::to_string(kCoordinateBoxIds[box]);
        editor.ask("select " + id + " 0 -1");
        const std::vector<std::string> expected = linux.typeReplacing(box, keys);
        for (std::size_t k = 0; k < keys.size(); ++k) {
            editor.ask("type " + id + " " + keys.substr(k, 1));
            EXPECT_EQ(editor.coordinateTexts(), expected[k]) << "after key " << k;
        }
        editor.ask("key " + id + " " + std::to_string(kEnterKey));
        linux.enter();
        const std::u16string finished = linux.boxes[box].text;
        editor.ask("wait-text " + id + " " + std::string(finished.begin(), finished.end()));
        EXPECT_EQ(editor.coordinateTexts(), linux.texts()) << "after Enter";
        const MarkerRect marker = markerRect(kMapWidth, kMapHeight, linux.markers.back());
        EXPECT_EQ(editor.ask("marker"), "marker " + std::to_string(marker.left) + " " + std::to_string(marker.top) +
                                            " " + std::to_string(marker.right) + " " +
                                            std::to_string(marker.bottom) + " 1");
    }

    // Pasted text stays as pasted until Enter; text set by other code is rewritten at once.
    editor.ask("select 1014 0 -1");
    editor.ask("paste 1014 -1234.50");
    linux.selectAll(2);
    linux.type(2, u"-1234.50");
    EXPECT_EQ(editor.coordinateTexts(), linux.texts());
    editor.ask("settext 1017 0523");
    linux.setTextByCode(3, u"0523");
    EXPECT_EQ(editor.coordinateTexts(), linux.texts());
    EXPECT_EQ(editor.text(1017), "523");

    // Enter elsewhere does nothing; Escape ends the program.
    editor.ask("key 1009 " + std::to_string(kEnterKey));
    EXPECT_EQ(editor.ask("wait exit 1"), "timeout");
    editor.ask("key 1012 " + std::to_string(kEscapeKey));
    EXPECT_EQ(editor.ask("wait exit"), "exit 0");
}

TEST_F(Win32WindowTest, TheCloseBoxAndLogoutEndTheProgramWithStatusZero) {
    const World world;
    ASSERT_TRUE(world.ok);
    for (const std::string way : {"close", "click 1011"}) {
        SCOPED_TRACE(way);
        Editor editor(world.folder.path());
        ASSERT_TRUE(editor.started);
        ASSERT_TRUE(editor.waitForMainWindow().starts_with("main "));
        editor.ask(way);
        EXPECT_EQ(editor.ask("wait exit"), "exit 0");
    }
}

// The button reads the stand-in game client that runs under the same Wine, and says so when there
// is none; the boxes and the marker change only with a position read.
TEST_F(Win32WindowTest, TheClientButtonShowsThePlayersPositionOrTheMessageWhenNoClientRuns) {
    const World world;
    ASSERT_TRUE(world.ok);
    Editor editor(world.folder.path());
    ASSERT_TRUE(editor.started);
    ASSERT_TRUE(editor.waitForMainWindow().starts_with("main "));
    editor.ask("click 1023");
    EXPECT_EQ(editor.ask("wait message"), "message " + std::string(kClientNotFoundMessage));
    editor.ask("answer " + std::to_string(kIdOk)); // the press has been handled once its message is gone
    EXPECT_EQ(editor.coordinateTexts(), "0 0 0 0 0 0");
    EXPECT_EQ(editor.ask("marker"), "marker none");

    auto standIn = ChildProcess::start({SPAWN_WINE, SPAWN_WINE_STAND_IN});
    ASSERT_TRUE(standIn && standIn->readLine() == "ready");
    editor.ask("click 1023");
    EXPECT_EQ(editor.ask("wait-text 1019 2"), "text 2"); // the last box written
    EXPECT_EQ(editor.coordinateTexts(), "1234.5 20.25 -1234.5 523 427 2");
    const MarkerRect marker = markerRect(kMapWidth, kMapHeight, {523, 1100 - 427});
    EXPECT_EQ(editor.ask("marker"), "marker " + std::to_string(marker.left) + " " + std::to_string(marker.top) +
                                        " " + std::to_string(marker.right) + " " + std::to_string(marker.bottom) +
                                        " 1");
}

// One edit from the first click to the saved file: the form's Block goes into record 1 (Apply), the
// form is appended as record 5 (New) and gets a second entry ("+", the form only); undo takes back
// the New and leaves the form as it is. Save backs the loaded file up, asks through the save dialog
// and writes exactly the loaded file with record 1's new Block. The close box asks while work is
// unsaved or typed, and the unsaved mark follows redo and undo across the save.
TEST_F(Win32WindowTest, AnAppliedRecordIsSavedByteForByteAfterUndoTakesBackTheNewOne) {
    const NamedWorld world;
    const std::string spawnFile = world.folder.file("mobset.data");
    const std::vector<std::uint8_t> loaded = readBytes(spawnFile);
    Editor editor(world.folder.path());
    ASSERT_TRUE(editor.started);
    ASSERT_EQ(editor.waitForMainWindow(), "main " + world.caption());

    EXPECT_EQ(editor.ask("row 1000 0"), "ok");
    const std::string block = std::to_string(readI32At(world.records[0], 0));
    ASSERT_EQ(editor.ask("wait-text 2821 " + block), "text " + block);
    EXPECT_EQ(editor.ask("texts 1821 2822 2841"), "texts Block-->: |1|7"); // label, entries, creature
    EXPECT_EQ(editor.ask("select 2821 0 -1"), "ok");
    EXPECT_EQ(editor.ask("type 2821 777"), "ok");
    EXPECT_EQ(editor.text(2821), "777");
    editor.ask("click 1004"); // Apply
    EXPECT_EQ(editor.ask("wait-text 0 " + world.caption() + "*"), "text " + world.caption() + "*");
    editor.ask("click 1003"); // New
    editor.ask("click 1006"); // "+"
    EXPECT_EQ(editor.ask("wait-text 2822 2"), "text 2");
    EXPECT_EQ(editor.text(2859), std::to_string(SpawnLayout::kDefaultEntryValues[0])); // the new entry's creature
    EXPECT_EQ(editor.ask("rows 1000"), "rows 5");
    EXPECT_EQ(editor.ask("command " + std::to_string(kUndoCommand)), "ok");

    // With work unsaved, the close box asks; No keeps the window, which the undo has reached.
    editor.ask("close");
    EXPECT_EQ(editor.ask("wait message"), "message 有未保存的修改。放弃这些修改并退出吗？");
    EXPECT_EQ(editor.ask("answer " + std::to_string(kIdNo)), "ok");
    EXPECT_EQ(editor.ask("rows 1000"), "rows 4");
    EXPECT_EQ(editor.text(2822), "2"); // the form kept its added entry
    EXPECT_EQ(editor.text(2821), "777");
    EXPECT_EQ(editor.text(0), world.caption() + "*");

    editor.ask("click 3");
    const std::string dialog = editor.ask("wait dialog");
    ASSERT_TRUE(dialog.starts_with("dialog ")) << dialog;
    EXPECT_EQ(readBytes(spawnFile + ".bak"), loaded); // backed up before the dialog
    const std::string replace = editor.ask("choose " + windowsPath(spawnFile));
    ASSERT_TRUE(replace.starts_with("message ")) << replace; // the file dialog's question: replace it?
    EXPECT_EQ(editor.ask("answer " + std::to_string(kIdYes)), "ok");
    EXPECT_EQ(editor.ask("wait message"), "message 4  Saved!");
    EXPECT_EQ(editor.ask("answer " + std::to_string(kIdOk)), "ok");
    EXPECT_EQ(editor.ask("wait-text 0 " + world.caption()), "text " + world.caption());

    std::vector<std::uint8_t> changed = world.records[0];
    writeI32At(changed, 0, 777);
    EXPECT_EQ(readBytes(spawnFile),
              fileBytes(4, {changed, world.records[1], world.records[2], world.records[3]}, world.remainder));
    EXPECT_EQ(readBytes(spawnFile + ".bak"), loaded);

    // Saved, the form's added entry is still typed work: closing asks once more.
    editor.ask("close");
    EXPECT_EQ(editor.ask("wait message"), "message 有未保存的修改。放弃这些修改并退出吗？");
    EXPECT_EQ(editor.ask("answer " + std::to_string(kIdNo)), "ok");

    // Redo brings the new record back past the save, its row current and shown in the form as a
    // click shows it (one entry again); undo returns to what was saved, and then nothing is left
    // to ask about.
    editor.ask("command " + std::to_string(kRedoCommand));
    EXPECT_EQ(editor.ask("wait-text 0 " + world.caption() + "*"), "text " + world.caption() + "*");
    EXPECT_EQ(editor.ask("rows 1000"), "rows 5");
    EXPECT_EQ(editor.ask("texts 2821 2822 2841"), "texts 777|1|7");
    editor.ask("command " + std::to_string(kUndoCommand));
    EXPECT_EQ(editor.ask("wait-text 0 " + world.caption()), "text " + world.caption());
    EXPECT_EQ(editor.ask("rows 1000"), "rows 4");
    editor.ask("close");
    EXPECT_EQ(editor.ask("wait exit"), "exit 0");
    EXPECT_EQ(readBytes(spawnFile),
              fileBytes(4, {changed, world.records[1], world.records[2], world.records[3]}, world.remainder));
}

// A search by a typed Chinese name lists the records whose first creature's name holds it, in file
// order, and the label counts them; their rows show their own records, a search by ID after it
// reads the same box as a number, and Refresh lists every record again.
TEST_F(Win32WindowTest, ASearchByAChineseNameListsTheRecordsNamedSoAndTheirRowsShowThem) {
    const NamedWorld world;
    Editor editor(world.folder.path());
    ASSERT_TRUE(editor.started);
    ASSERT_EQ(editor.waitForMainWindow(), "main " + world.caption());
    EXPECT_EQ(editor.text(1005), "Total NPC-->4");

    editor.ask("type 1009 苍鹭");
    EXPECT_EQ(editor.text(1009), "苍鹭");
    editor.ask("click 1008");
    editor.ask("click 1010");
    EXPECT_EQ(editor.ask("wait-text 1005 查找到 2 项"), "text 查找到 2 项");
    EXPECT_EQ(editor.ask("checked 1008"), "checked 1");
    EXPECT_EQ(editor.ask("checked 1007"), "checked 0");
    EXPECT_EQ(editor.ask("rows 1000"), "rows 2");
    // Row 1 first, so that each click has a record other than the one shown to show.
    for (const auto& [row, entries, creature] : {std::tuple{1, "2", "322"}, std::tuple{0, "5", "321"}}) {
        SCOPED_TRACE(row);
        EXPECT_EQ(editor.ask("row 1000 " + std::to_string(row)), "ok");
        EXPECT_EQ(editor.ask("wait-text 2841 " + std::string(creature)), "text " + std::string(creature));
        EXPECT_EQ(editor.text(2822), entries);
    }

    editor.ask("select 1009 0 -1");
    editor.ask("type 1009 沼泽");
    editor.ask("click 1010");
    EXPECT_EQ(editor.ask("wait-text 1005 查找到 1 项"), "text 查找到 1 项");
    EXPECT_EQ(editor.ask("rows 1000"), "rows 1");

    // By ID the same box is read as a number: record 1's creature 7, whose row then shows it.
    editor.ask("settext 1009 7");
    editor.ask("click 1007");
    editor.ask("click 1010");
    editor.ask("row 1000 0");
    EXPECT_EQ(editor.ask("wait-text 2841 7"), "text 7");
    EXPECT_EQ(editor.text(1005), "查找到 1 项");
    EXPECT_EQ(editor.ask("rows 1000"), "rows 1");

    editor.ask("click 1016"); // Refresh
    EXPECT_EQ(editor.ask("wait-text 1005 Total NPC-->4"), "text Total NPC-->4");
    EXPECT_EQ(editor.ask("rows 1000"), "rows 4");
    EXPECT_EQ(editor.text(0), world.caption()); // nothing was changed
}

namespace {

void startXvfb() {
    // -noreset: a server that resets when its last client leaves refuses whoever connects meanwhile.
    auto xvfb = ChildProcess::start(
        {SPAWN_XVFB, "-displayfd", "1", "-noreset", "-nolisten", "tcp", "-screen", "0", "1280x1024x24"});
    const auto display = xvfb ? xvfb->readLine() : std::nullopt;
    if (!display || display->empty()) {
        g_problem = "Xvfb did not start";
        return;
    }
    setenv("DISPLAY", (":" + *display).c_str(), 1);
    g_xvfb = std::move(xvfb);
}

// The build tree's Wine prefix, made on the first run. A Wine server left from an earlier run may
// be tied to that run's display, so it is stopped first; Wine's own services outlive the programs
// that start them, so they are started here with nowhere to write, never with a test's pipes.
void prepareWine() {
    setenv("WINEPREFIX", SPAWN_WINE_PREFIX, 1);
    setenv("WINEDEBUG", "-all", 1);
    setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1); // no offer to install .NET or a browser
    setenv("LANG", "C.UTF-8", 1);                     // Wine's own dialogs in English
    runProgram({SPAWN_WINESERVER, "-k"}, false, true);
    if (runProgram({SPAWN_WINEBOOT, "--init"}, false, true).exitCode != 0) {
        g_problem = "wineboot could not prepare the Wine prefix " SPAWN_WINE_PREFIX;
        return;
    }
    g_ready = true;
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (std::string(SPAWN_XVFB).empty()) {
        g_problem = "Xvfb is not installed (package xvfb)";
    } else {
        startXvfb();
        if (g_xvfb) {
            prepareWine();
        }
    }
    const int status = RUN_ALL_TESTS();
    if (g_xvfb) {
        runProgram({SPAWN_WINESERVER, "-k"}, false, true);
    }
    g_xvfb.reset();
    return status;
}
