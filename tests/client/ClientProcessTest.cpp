// The player's position read from real processes: a native X11 stand-in client and a Windows
// stand-in under Wine, both showing their window on an Xvfb server this test starts, read by
// spawn-tool, by spawn-tool.exe under Wine and by the window's button (the window itself on the
// offscreen platform; the reader finds the client through DISPLAY on its own).

#include "ChildProcess.h"
#include "ElementBytes.h"
#include "ScriptedDialogs.h"
#include "SpawnBytes.h"
#include "TempFolder.h"
#include "XServerStandIns.h"

#include "ClientPosition.h"
#include "CoordinateConversion.h"
#include "RecordEditor.h"
#include "SpawnDocument.h"
#include "SpawnEditorWindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace spawn;
using namespace spawn::testing;

namespace {

std::optional<ChildProcess> g_xvfb;
std::string g_wineProblem =
    "spawn-tool.exe and the Windows stand-in are not built here (SPAWN_WINDOWS_TOOL is OFF, or mingw-w64 "
    "or Wine is not installed)";
bool g_wineReady = false;

const std::string kExampleJson =
    R"({"boxes":["1234.5","20.25","-1234.5","523","427","2"],"marker":[523,673]})"
    "\n";
const std::string kMoveCommand = "-100.5 3 2000";
const std::string kMovedJson = R"({"boxes":["-100.5","3","2000","390","750","0"],"marker":[390,350]})"
                               "\n";
const std::string kNotFound = "无法找到Qelmara进程!";
const std::string kNotReadable = "无法读取进程!";

bool haveWine() {
    return std::string(SPAWN_WINE).size() > 0 && std::string(SPAWN_WINDOWS_SPAWN_TOOL).size() > 0;
}

// Starts a stand-in client and waits until its window is up.
std::optional<ChildProcess> startStandIn(std::vector<std::string> argv) {
    auto child = ChildProcess::start(argv);
    if (!child || child->readLine() != "ready") {
        return std::nullopt;
    }
    return child;
}

std::optional<ChildProcess> startNativeStandIn(std::vector<std::string> args = {}) {
    args.insert(args.begin(), SPAWN_NATIVE_STAND_IN);
    return startStandIn(args);
}

bool move(ChildProcess& standIn) {
    return standIn.writeLine(kMoveCommand) && standIn.readLine() == "moved";
}

ProgramResult spawnTool(const std::vector<std::string>& args) {
    std::vector<std::string> argv{SPAWN_TOOL};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProgram(argv);
}

ProgramResult windowsSpawnTool(const std::vector<std::string>& args) {
    std::vector<std::string> argv{SPAWN_WINE, SPAWN_WINDOWS_SPAWN_TOOL};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProgram(argv);
}

void expectFailure(const ProgramResult& result, const std::string& message) {
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, message + "\n");
}

// A misbehaving server gets this long, far more than the reader's own deadline, before the test
// calls the reader hung.
constexpr std::chrono::seconds kHungAfter{20};

// Presses the position button and runs the window's event loop until the answer is in. The press
// itself must return at once, the button disabled while the lookup runs elsewhere.
bool pressAndWait(QPushButton* button) {
    button->click();
    const bool waited = !button->isEnabled();
    const bool answered = QTest::qWaitFor([button] { return button->isEnabled(); },
                                          static_cast<int>(std::chrono::milliseconds(kHungAfter).count()));
    return waited && answered;
}

ProgramResult spawnToolUnlessHung() {
    return runProgram({SPAWN_TOOL, "client-position"}, false, false, kHungAfter);
}

class DisplayOverride {
public:
    explicit DisplayOverride(const std::string& display) : m_saved(std::getenv("DISPLAY")) {
        setenv("DISPLAY", display.c_str(), 1);
    }
    ~DisplayOverride() { setenv("DISPLAY", m_saved.c_str(), 1); }
    DisplayOverride(const DisplayOverride&) = delete;
    DisplayOverride& operator=(const DisplayOverride&) = delete;

private:
    std::string m_saved;
};

// The window on a one-record spawn file, its position button and the messages it showed.
struct TestWindow {
    TestWindow() {
        writeBytes(folder.file("mobset.data"), fileBytes(1, {recordBytes(2, 16)}, {1, 2, 3, 4, 5}));
        writeBytes(folder.file("elements.data"), ElementBytes{}.build());
        initialised = window.initialise(folder.path().string());
        dialogs.messages.clear();
        button = window.findChild<QPushButton*>(QString::number(ControlId::kReadClientPosition));
    }
    std::string worldX() const {
        const auto* box = window.findChild<QLineEdit*>(QString::number(kCoordinateBoxIds[0]));
        return box ? box->text().toStdString() : "(missing)";
    }

    TempFolder folder;
    ScriptedDialogs dialogs;
    SpawnEditorWindow window{&dialogs};
    bool initialised = false;
    QPushButton* button = nullptr;
};

class ClientProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!g_xvfb) {
            GTEST_SKIP() << "no Xvfb server could be started (package xvfb)";
        }
    }
};

} // namespace

TEST_F(ClientProcessTest, SpawnToolReadsTheNativeClientBeforeAndAfterThePlayerMoves) {
    auto standIn = startNativeStandIn();
    ASSERT_TRUE(standIn);

    const auto first = spawnTool({"client-position"});
    EXPECT_EQ(first.exitCode, 0) << first.err;
    EXPECT_EQ(first.out, kExampleJson);
    EXPECT_EQ(first.err, "");

    ASSERT_TRUE(move(*standIn));
    const auto second = spawnTool({"client-position", "--profile", "0"});
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(second.out, kMovedJson);
}

TEST_F(ClientProcessTest, OnlyAWindowTitledExactlyElementClientIsTheClient) {
    expectFailure(spawnTool({"client-position"}), kNotFound);

    auto longer = startNativeStandIn({"--title", "Element Client 2"});
    auto lower = startNativeStandIn({"--title", "element client"});
    ASSERT_TRUE(longer && lower);
    expectFailure(spawnTool({"client-position"}), kNotFound);
}

// The reader runs without the right to read the stand-in: the stand-in is not dumpable, and when
// the test runs as root (whose capabilities would override that) the reader runs as nobody, so
// it reads another user's process as well.
TEST_F(ClientProcessTest, AClientWeMayNotReadGivesTheReadErrorAndAChainIntoUnmappedMemoryToo) {
    auto guarded = startNativeStandIn({"--not-dumpable"});
    ASSERT_TRUE(guarded);
    // A copy of spawn-tool that nobody may run, wherever the build tree is.
    const TempFolder folder;
    const std::string tool = folder.file("spawn-tool");
    std::filesystem::copy_file(SPAWN_TOOL, tool);
    chmod(folder.path().c_str(), 0755);
    chmod(tool.c_str(), 0755);
    expectFailure(runProgram({tool, "client-position"}, true), kNotReadable);
    guarded->finish();

    auto broken = startNativeStandIn({"--chain-into-unmapped-memory"});
    ASSERT_TRUE(broken);
    expectFailure(spawnTool({"client-position"}), kNotReadable);
}

TEST_F(ClientProcessTest, TheWindowsClientUnderWineIsReadByBothToolsAlike) {
    if (!g_wineReady) {
        GTEST_SKIP() << g_wineProblem;
    }
    auto standIn = startStandIn({SPAWN_WINE, SPAWN_WINE_STAND_IN});
    ASSERT_TRUE(standIn) << "the Wine stand-in did not start";

    for (const std::string& expected : {kExampleJson, kMovedJson}) {
        const auto native = spawnTool({"client-position"});
        EXPECT_EQ(native.exitCode, 0) << native.err;
        EXPECT_EQ(native.out, expected);
        const auto windows = windowsSpawnTool({"client-position"});
        EXPECT_EQ(windows.exitCode, 0) << windows.err;
        EXPECT_EQ(windows.out, expected);
        EXPECT_EQ(windows.err, "");
        if (expected == kExampleJson) {
            ASSERT_TRUE(move(*standIn));
        }
    }

    const auto ended = standIn->finish();
    EXPECT_EQ(ended.exitCode, 0);
    expectFailure(windowsSpawnTool({"client-position"}), kNotFound);
}

// spawn-tool.exe is the whole tool, its file writing included: under Wine it writes the demo world
// byte for byte as the Linux build does.
TEST_F(ClientProcessTest, SpawnToolExeWritesTheSameDemoWorldAsTheLinuxBuild) {
    if (!g_wineReady) {
        GTEST_SKIP() << g_wineProblem;
    }
    const TempFolder dir;
    const auto made = windowsSpawnTool({"demo", "Z:" + (dir.path() / "windows").string()});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    ASSERT_EQ(spawnTool({"demo", (dir.path() / "linux").string()}).exitCode, 0);
    for (const char* name : {"mobset.data", "elements.data"}) {
        const auto written = readBytes((dir.path() / "windows" / name).string());
        EXPECT_FALSE(written.empty()) << name;
        EXPECT_TRUE(written == readBytes((dir.path() / "linux" / name).string())) << name;
    }
}

// spawn-tool.exe's temporary files take names no file of the user's has, and none is left after
// a failed write either; the file written over is first copied to its backup, as on Linux.
TEST_F(ClientProcessTest, SpawnToolExeLeavesTheUsersFilesAloneAndNoTemporaryFileBehind) {
    if (!g_wineReady) {
        GTEST_SKIP() << g_wineProblem;
    }
    const TempFolder dir;
    const std::string world = (dir.path() / "world").string();
    ASSERT_EQ(spawnTool({"demo", world, "--areas", "20"}).exitCode, 0);
    ASSERT_EQ(spawnTool({"export", world + "/mobset.data", "-o", dir.file("m.json")}).exitCode, 0);
    const std::vector<std::uint8_t> notes{'m', 'y', ' ', 'n', 'o', 't', 'e', 's'};
    writeBytes(dir.file("out.data.saving"), notes);
    writeBytes(dir.file("out.data"), {1, 2, 3});
    std::filesystem::create_directory(dir.path() / "folder.data");
    auto names = [&dir] {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            found.push_back(entry.path().filename().string());
        }
        std::sort(found.begin(), found.end());
        return found;
    };
    const std::vector<std::string> expected{"folder.data",  "m.json",          "out.data",
                                            "out.data.bak", "out.data.saving", "world"};

    const auto imported =
        windowsSpawnTool({"import", "Z:" + dir.file("m.json"), "-o", "Z:" + dir.file("out.data")});
    EXPECT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_TRUE(readBytes(dir.file("out.data")) == readBytes(world + "/mobset.data"));
    EXPECT_EQ(readBytes(dir.file("out.data.bak")), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(readBytes(dir.file("out.data.saving")), notes);
    EXPECT_EQ(names(), expected);

    // A folder cannot be replaced by the file: the write fails after the temporary file was made.
    const auto failed =
        windowsSpawnTool({"import", "Z:" + dir.file("m.json"), "-o", "Z:" + dir.file("folder.data")});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_NE(failed.err.find("无法写入文件：Z:" + dir.file("folder.data")), std::string::npos) << failed.err;
    EXPECT_EQ(names(), expected);
}

// The window on a spawn file, with its first record in the form: the button moves only the
// coordinate boxes and the marker, never the form or the record.
TEST_F(ClientProcessTest, TheButtonShowsTheClientsPositionAndChangesNothingWhenItFails) {
    const TempFolder dir;
    writeBytes(dir.file("mobset.data"), fileBytes(1, {recordBytes(2, 16)}, {1, 2, 3, 4, 5}));
    writeBytes(dir.file("elements.data"), ElementBytes{}.build());
    ScriptedDialogs dialogs;
    SpawnEditorWindow window(&dialogs);
    ASSERT_TRUE(window.initialise(dir.path().string()));
    ASSERT_TRUE(window.editor().selectRecord(0));
    dialogs.messages.clear(); // what start-up reported
    auto formTexts = [&window] {
        std::vector<std::string> texts;
        const RecordForm& form = window.editor().form();
        for (std::size_t j = 1; j <= form.fieldCount(); ++j) {
            texts.push_back(form.text(j));
        }
        return texts;
    };
    const auto formBefore = formTexts();
    ASSERT_FALSE(formBefore.empty());
    const auto recordBefore = window.document().records().at(1).bytes;

    auto* button = window.findChild<QPushButton*>(QString::number(ControlId::kReadClientPosition));
    ASSERT_NE(button, nullptr);
    auto boxTexts = [&window] {
        std::array<std::string, kCoordinateBoxCount> texts;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const auto* box = window.findChild<QLineEdit*>(QString::number(kCoordinateBoxIds[i]));
            texts[i] = box ? box->text().toStdString() : "(missing)";
        }
        return texts;
    };
    auto markers = [&window] { return window.findChildren<QWidget*>(QStringLiteral("1820")); };
    using Texts = std::array<std::string, kCoordinateBoxCount>;

    const auto boxesBefore = boxTexts();
    ASSERT_EQ(markers().size(), 1); // the record's position
    const QRect markerBefore = markers().front()->geometry();
    ASSERT_TRUE(pressAndWait(button));
    EXPECT_EQ(dialogs.messages, std::vector<std::string>{kNotFound});
    EXPECT_EQ(boxTexts(), boxesBefore);
    EXPECT_EQ(markers().front()->geometry(), markerBefore);

    {
        auto standIn = startNativeStandIn();
        ASSERT_TRUE(standIn);
        ASSERT_TRUE(pressAndWait(button));
        EXPECT_EQ(boxTexts(), (Texts{"1234.5", "20.25", "-1234.5", "523", "427", "2"}));
        ASSERT_EQ(markers().size(), 1);
        // Column 523, row 673 from the top on the 437 x 504 picture: centre (285, 308).
        EXPECT_EQ(markers().front()->geometry(), QRect(281, 304, 8, 8));

        ASSERT_TRUE(move(*standIn));
        ASSERT_TRUE(pressAndWait(button));
        EXPECT_EQ(boxTexts(), (Texts{"-100.5", "3", "2000", "390", "750", "0"}));
        EXPECT_EQ(dialogs.messages.size(), 1U);
    }

    auto broken = startNativeStandIn({"--chain-into-unmapped-memory"});
    ASSERT_TRUE(broken);
    const QRect before = markers().front()->geometry();
    ASSERT_TRUE(pressAndWait(button));
    EXPECT_EQ(dialogs.messages, (std::vector<std::string>{kNotFound, kNotReadable}));
    EXPECT_EQ(boxTexts(), (Texts{"-100.5", "3", "2000", "390", "750", "0"}));
    ASSERT_EQ(markers().size(), 1);
    EXPECT_EQ(markers().front()->geometry(), before);
    EXPECT_TRUE(dialogs.unexpected.empty());
    EXPECT_EQ(formTexts(), formBefore);
    EXPECT_EQ(window.document().records().at(1).bytes, recordBefore);
    EXPECT_FALSE(window.document().isModified());
}

// The window's event loop runs on while the lookup waits for a server that never answers.
TEST_F(ClientProcessTest, AServerThatNeverAnswersIsNoClientAndTheWindowRunsOnMeanwhile) {
    const auto server = XServerStandIn::silent();
    ASSERT_TRUE(server) << "no free display number for the stand-in server";
    for (const std::string& display : {server->displayName(), server->tcpDisplayName()}) {
        SCOPED_TRACE(display);
        const DisplayOverride use(display);
        expectFailure(spawnToolUnlessHung(), kNotFound);
    }

    TestWindow test;
    ASSERT_TRUE(test.initialised && test.button);
    const DisplayOverride use(server->displayName());
    bool waitingWhenTimerRan = false;
    QTimer::singleShot(100, test.button, [&] { waitingWhenTimerRan = !test.button->isEnabled(); });
    ASSERT_TRUE(pressAndWait(test.button));
    EXPECT_TRUE(waitingWhenTimerRan);
    EXPECT_EQ(test.dialogs.messages, std::vector<std::string>{kNotFound});
    EXPECT_TRUE(test.dialogs.unexpected.empty());
}

// A relay in front of the test's server drops the connection at points from the first byte to
// the last reply; an intact relay shows the client is there to be found.
TEST_F(ClientProcessTest, AConnectionDroppedAnywhereIsNoClientAndTheNextPressConnectsAfresh) {
    auto standIn = startNativeStandIn();
    ASSERT_TRUE(standIn);
    const std::string upstream = "/tmp/.X11-unix/X" + std::string(std::getenv("DISPLAY")).substr(1);
    std::size_t wholeConversation = 0;
    {
        const auto relay = XServerStandIn::dropping(upstream, {});
        ASSERT_TRUE(relay) << "no free display number for the relay";
        const DisplayOverride use(relay->displayName());
        const auto read = spawnToolUnlessHung();
        EXPECT_EQ(read.out, kExampleJson) << read.err;
        ASSERT_TRUE(QTest::qWaitFor([&relay] { return relay->lastLaterBytes() > 0; }));
        wholeConversation = relay->lastLaterBytes();
    }

    TestWindow test;
    ASSERT_TRUE(test.initialised && test.button);
    const std::string xBefore = test.worldX();
    const std::vector<DropPoint> drops = {
        {0, 0},
        {8, 0},
        {kWholeSetup, 0},
        {kWholeSetup, 32},
        {kWholeSetup, wholeConversation / 2},
        {kWholeSetup, wholeConversation - 1}, // the window's process id is all that is missing
    };
    for (const DropPoint& drop : drops) {
        SCOPED_TRACE(drop.setupBytes == kWholeSetup
                         ? "after the setup and " + std::to_string(drop.laterBytes) + " bytes"
                         : "after " + std::to_string(drop.setupBytes) + " setup bytes");
        const auto relay = XServerStandIn::dropping(upstream, drop);
        ASSERT_TRUE(relay);
        const DisplayOverride use(relay->displayName());
        expectFailure(spawnToolUnlessHung(), kNotFound);
        test.dialogs.messages.clear();
        ASSERT_TRUE(pressAndWait(test.button));
        EXPECT_EQ(test.dialogs.messages, std::vector<std::string>{kNotFound});
        EXPECT_EQ(test.worldX(), xBefore);
    }

    test.dialogs.messages.clear();
    ASSERT_TRUE(pressAndWait(test.button)); // straight to the test's server
    EXPECT_EQ(test.worldX(), "1234.5");
    EXPECT_TRUE(test.dialogs.messages.empty());
}

namespace {

// Starts Xvfb on a free display and makes it this process's DISPLAY.
void startXvfb() {
    if (std::string(SPAWN_XVFB).empty()) {
        return;
    }
    // Without -noreset the server resets whenever its last client leaves, and refuses whoever
    // connects meanwhile: a stand-in started right after another ended would then fail at random.
    auto xvfb = ChildProcess::start(
        {SPAWN_XVFB, "-displayfd", "1", "-noreset", "-nolisten", "tcp", "-screen", "0", "1024x768x24"});
    const auto display = xvfb ? xvfb->readLine() : std::nullopt;
    if (!display || display->empty()) {
        return;
    }
    setenv("DISPLAY", (":" + *display).c_str(), 1);
    g_xvfb = std::move(xvfb);
}

// A Wine prefix of our own in the build tree. A Wine server left over from an earlier run may
// still be tied to that run's display, so it is stopped first; the prefix is created the first
// time (which takes a while). Wine's own services outlive the programs that start them, so they
// are started here with nowhere to write, never with a test's pipes.
void prepareWine() {
    if (!haveWine()) {
        return;
    }
    setenv("WINEPREFIX", SPAWN_WINE_PREFIX, 1);
    setenv("WINEDEBUG", "-all", 1);
    setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1); // no offer to install .NET or a browser
    runProgram({SPAWN_WINESERVER, "-k"}, false, true);
    const auto boot = runProgram({SPAWN_WINEBOOT, "--init"}, false, true);
    if (boot.exitCode != 0) {
        g_wineProblem = "wineboot could not prepare the Wine prefix " SPAWN_WINE_PREFIX;
        return;
    }
    g_wineReady = true;
}

} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    startXvfb();
    if (g_xvfb) {
        prepareWine();
    }
    const QApplication app(argc, argv);
    const int status = RUN_ALL_TESTS();
    if (g_xvfb && haveWine()) {
        runProgram({SPAWN_WINESERVER, "-k"}, false, true);
    }
    g_xvfb.reset();
    return status;
}
