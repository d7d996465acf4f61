#include "ClientPosition.h"
#include "SpawnTool.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>

using namespace spawn;

namespace {

// A client process made of 32-bit words at given addresses; anything else is unmapped. Counts
// the reads and notes whether it has been closed.
struct FakeMemory {
    std::map<std::uint32_t, std::uint32_t> words;
    int reads = 0;
    int opened = 0;
    int closed = 0;
};

class FakeProcess : public ClientProcess {
public:
    explicit FakeProcess(FakeMemory& memory) : m_memory(memory) { ++m_memory.opened; }
    ~FakeProcess() override { ++m_memory.closed; }

    bool read(std::uint32_t address, std::span<std::uint8_t> bytes) override {
        ++m_memory.reads;
        const auto word = m_memory.words.find(address);
        if (word == m_memory.words.end() || bytes.size() != sizeof(std::uint32_t)) {
            return false;
        }
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<std::uint8_t>(word->second >> (8 * i));
        }
        return true;
    }

private:
    FakeMemory& m_memory;
};

class FakeConnector : public ClientConnector {
public:
    FakeConnector(FakeMemory& memory, std::optional<ClientOpenFailure> failure = std::nullopt)
        : m_memory(memory), m_failure(failure) {}

    ClientOpenResult open(std::string_view windowTitle) override {
        title = std::string(windowTitle);
        if (m_failure) {
            return *m_failure;
        }
        return std::make_unique<FakeProcess>(m_memory);
    }

    std::string title;

private:
    FakeMemory& m_memory;
    std::optional<ClientOpenFailure> m_failure;
};

constexpr std::uint32_t kP1 = 0x10A00100;
constexpr std::uint32_t kP2 = 0x20B00200;

// The chain of profile 0 leading to the player at (1234.5, 20.25, -1234.5).
FakeMemory exampleClient() {
    FakeMemory memory;
    memory.words = {
        {0x92764C, kP1},
        {kP1 + 0x20, kP2},
        {kP2 + 0x3C, std::bit_cast<std::uint32_t>(1234.5f)},
        {kP2 + 0x40, std::bit_cast<std::uint32_t>(20.25f)},
        {kP2 + 0x44, std::bit_cast<std::uint32_t>(-1234.5f)},
    };
    return memory;
}

} // namespace

TEST(ClientPositionTest, FollowsTheChainFromTheProfilesBaseAndClosesTheProcess) {
    FakeMemory memory = exampleClient();
    FakeConnector connector(memory);
    const auto position = readClientPosition(connector, 0);
    ASSERT_TRUE(position.ok()) << position.error().message;
    EXPECT_EQ(position.value(), (ClientPosition{1234.5f, 20.25f, -1234.5f}));
    EXPECT_EQ(connector.title, "Element Client");
    EXPECT_EQ(memory.reads, 5);
    EXPECT_EQ(memory.opened, 1);
    EXPECT_EQ(memory.closed, 1);
}

TEST(ClientPositionTest, EachFailedReadReportsTheProcessUnreadableAndClosesIt) {
    const FakeMemory whole = exampleClient();
    // Remove one link of the chain at a time, in the order they are read.
    const std::uint32_t links[] = {0x92764C, kP1 + 0x20, kP2 + 0x3C, kP2 + 0x40, kP2 + 0x44};
    int expectedReads = 0;
    for (const std::uint32_t missing : links) {
        SCOPED_TRACE(missing);
        FakeMemory memory = whole;
        memory.words.erase(missing);
        FakeConnector connector(memory);
        const auto position = readClientPosition(connector, 0);
        ASSERT_FALSE(position.ok());
        EXPECT_EQ(position.error().message, "无法读取进程!");
        EXPECT_EQ(memory.reads, ++expectedReads); // nothing is read past the failed link
        EXPECT_EQ(memory.closed, 1);
    }
}

TEST(ClientPositionTest, ANoWindowAndAnUnopenableProcessGiveTheirOwnMessages) {
    FakeMemory memory = exampleClient();
    FakeConnector noWindow(memory, ClientOpenFailure::NoWindow);
    const auto notFound = readClientPosition(noWindow, 0);
    ASSERT_FALSE(notFound.ok());
    EXPECT_EQ(notFound.error().message, "无法找到Qelmara进程!");

    FakeConnector notOpened(memory, ClientOpenFailure::NotOpened);
    const auto unreadable = readClientPosition(notOpened, 0);
    ASSERT_FALSE(unreadable.ok());
    EXPECT_EQ(unreadable.error().message, "无法读取进程!");
    EXPECT_EQ(memory.reads, 0);
}

TEST(ClientPositionTest, PointerSumsWrapAroundInTheClientsThirtyTwoBitAddressSpace) {
    FakeMemory memory = exampleClient();
    // P1 near the top of the address space: P1 + 0x20 wraps to 0x10.
    memory.words[0x92764C] = 0xFFFFFFF0;
    memory.words[0x10] = kP2;
    FakeConnector connector(memory);
    const auto position = readClientPosition(connector, 0);
    ASSERT_TRUE(position.ok()) << position.error().message;
    EXPECT_EQ(position.value(), (ClientPosition{1234.5f, 20.25f, -1234.5f}));
}

// With no X display there is no window to find. (The reader behind spawn-tool here is the real
// one of this platform; on Linux it needs DISPLAY.)
TEST(ClientPositionTest, SpawnToolWithoutADisplayFindsNoClientAndRejectsAnUnknownProfile) {
#ifdef _WIN32
    GTEST_SKIP() << "the Windows reader does not use DISPLAY";
#else
    const char* display = std::getenv("DISPLAY");
    const std::optional<std::string> saved = display ? std::optional<std::string>(display) : std::nullopt;
    unsetenv("DISPLAY");
    const auto result = tool::runSpawnTool({"client-position", "--profile", "0"});
    const auto badProfile = tool::runSpawnTool({"client-position", "--profile", "1"});
    if (saved) {
        setenv("DISPLAY", saved->c_str(), 1);
    }
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "无法找到Qelmara进程!\n");
    EXPECT_EQ(badProfile.exitCode, 2);
    EXPECT_EQ(badProfile.out, "");
#endif
}
