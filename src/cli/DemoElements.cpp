#include "DemoElements.h"

#include "ByteReader.h"
#include "DemoDice.h"
#include "ElementDatabase.h"

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace spawn::demo {

using namespace ElementLayout;

namespace {

// The 4-byte header; its value is never read.
constexpr std::int32_t kHeaderWord = 12;

// Records per list for the lists the editor passes over; lists 37 and 54 take theirs from the options.
constexpr std::array<std::int32_t, kListCount> kListCounts = {
    420, 260, 180, 95, 310, 140, 60,  220, 150, 48, 90,  75, 130, 200, 160, 85,  240, 70, 115,
    36,  300, 88,  64, 52,  120, 110, 96,  140, 40, 210, 38, 180, 72,  260, 66,  150, 90, 0,
    175, 42,  130, 96, 88,  70,  110, 64,  30,  45, 160, 25, 190, 35,  120, 140, 0};

// Later sections: so many bytes after "facedata", a stretch of zeros just before it (so that no
// skip of the matcher can jump over it), and an earlier "facedata" inside the stretch the reader
// does not search.
constexpr std::size_t kBytesAfterFacedata = 65536;
constexpr std::size_t kQuietStretchBeforeFacedata = 64;
constexpr std::size_t kHiddenFacedataDistance = 500000;

// From the end of list 54 to "facedata", for fingerprint F = (q + 8) - E - 80.
constexpr std::size_t facedataDistance(std::int32_t fingerprint) {
    return static_cast<std::size_t>(fingerprint) + kFingerprintAdjust - kFingerprintText.size();
}

std::int32_t countOf(std::size_t list, const DemoElementsOptions& options) {
    if (list == kCreatureList.list) {
        return options.creatureCount;
    }
    if (list == kNpcList.list) {
        return options.npcCount;
    }
    return kListCounts[list];
}

// Invented words only; names are put together from them.
constexpr std::array<std::u16string_view, 16> kCreatureTints = {u"赤", u"青", u"玄", u"苍", u"幽", u"雾",
                                                                u"霜", u"烬", u"岩", u"沼", u"棘", u"岚",
                                                                u"溟", u"砾", u"朔", u"翠"};
constexpr std::array<std::u16string_view, 10> kCreatureParts = {u"鳞", u"角", u"牙", u"羽", u"尾",
                                                                u"甲", u"爪", u"眼", u"背", u"须"};
constexpr std::array<std::u16string_view, 14> kCreatureKinds = {
    u"狼", u"蜥", u"蛛", u"鸮", u"獾", u"蟹", u"鹿", u"蝠", u"蟾", u"蛇", u"猿", u"豺", u"蜂", u"鲵"};
constexpr std::array<std::u16string_view, 7> kCreatureRanks = {u"",     u"",      u"",  u"幼体",
                                                               u"首领", u"·精英", u"王"};
constexpr std::array<std::u16string_view, 12> kWordStarts = {
    u"Mor", u"Vel", u"Thra", u"Gri", u"Ska", u"Dun", u"Ol", u"Brae", u"Quil", u"Zen", u"Hax", u"Ith"};
constexpr std::array<std::u16string_view, 10> kWordEnds = {u"vak", u"reth", u"mos", u"dil",  u"gorn",
                                                           u"ith", u"sael", u"wyn", u"tusk", u"ber"};
constexpr std::array<std::u16string_view, 12> kCreatureNouns = {
    u"Stalker", u"Crawler", u"Hound", u"Wisp",      u"Shellback", u"Howler",
    u"Drake",   u"Mauler",  u"Grub",  u"Screecher", u"Lurker",    u"Razorwing"};
constexpr std::array<std::u16string_view, 3> kCreatureAges = {u"", u"Elder ", u"Young "};
constexpr std::array<std::u16string_view, 12> kNpcRolesZh = {u"铁匠", u"药师",   u"驿卒", u"守卫",
                                                             u"商人", u"渡夫",   u"书吏", u"猎户",
                                                             u"厨娘", u"占卜师", u"马夫", u"巡捕"};
constexpr std::array<std::u16string_view, 14> kGivenSyllablesZh = {
    u"岚", u"舟", u"砚", u"棠", u"溪", u"墨", u"遥", u"芷", u"川", u"苓", u"朔", u"霁", u"临", u"桐"};
constexpr std::array<std::u16string_view, 10> kNpcRolesEn = {
    u"Trader",    u"Smith",   u"Warden", u"Ferryman",  u"Scribe",
    u"Herbalist", u"Courier", u"Hunter", u"Innkeeper", u"Seer"};
constexpr std::array<std::u16string_view, 10> kGivenStartsEn = {u"Ol",  u"Bar", u"Il", u"Tes", u"Ma",
                                                                u"Ren", u"Cor", u"Sy", u"Dal", u"Wen"};
constexpr std::array<std::u16string_view, 10> kGivenEndsEn = {u"vessa", u"uk",  u"vane", u"rin",  u"dra",
                                                              u"mot",   u"ela", u"wick", u"abel", u"oth"};

std::u16string creatureName(Dice& dice) {
    std::u16string name;
    if (dice.chance(0.6)) {
        name += dice.pick(kCreatureTints);
        name += dice.pick(kCreatureParts);
        name += dice.pick(kCreatureKinds);
        name += dice.pick(kCreatureRanks);
    } else {
        name += dice.pick(kCreatureAges);
        name += dice.pick(kWordStarts);
        name += dice.pick(kWordEnds);
        name += u' ';
        name += dice.pick(kCreatureNouns);
    }
    return name;
}

std::u16string npcName(Dice& dice) {
    std::u16string name;
    if (dice.chance(0.6)) {
        name += dice.pick(kNpcRolesZh);
        name += u"·";
        name += dice.pick(kGivenSyllablesZh);
        name += dice.pick(kGivenSyllablesZh);
    } else {
        name += dice.pick(kNpcRolesEn);
        name += u' ';
        name += dice.pick(kGivenStartsEn);
        name += dice.pick(kGivenEndsEn);
    }
    return name;
}

// Precondition: the text and its terminator fit in the record from `at` on.
void writeUtf16At(std::span<std::uint8_t> record, std::size_t at, std::u16string_view text) {
    for (const char16_t unit : text) {
        record[at++] = static_cast<std::uint8_t>(unit & 0xFF);
        record[at++] = static_cast<std::uint8_t>(unit >> 8);
    }
}

void appendText(std::vector<std::uint8_t>& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

// One entry of the later sections: a few numbers and a model path, padded to whole words.
void appendLaterEntry(std::vector<std::uint8_t>& out, Dice& dice) {
    static constexpr std::array<std::string_view, 7> kFolders = {"forest", "fens",  "ridge", "hollow",
                                                                 "shore",  "ember", "mire"};
    static constexpr std::array<std::string_view, 7> kModels = {
        "fangwolf", "mossback", "stonejaw", "glimmerfly", "ashmoth", "reedstalker", "duskfin"};
    static constexpr std::array<std::string_view, 3> kExtensions = {".ski", ".smd", ".gfx"};
    appendI32Le(out, dice.between(1, 60000));
    appendI32Le(out, dice.between(0, 255));
    appendI32Le(out, dice.between(-2000000, 2000000));
    appendText(out, "models/");
    appendText(out, dice.pick(kFolders));
    out.push_back('/');
    appendText(out, dice.pick(kModels));
    out.push_back('_');
    appendText(out, std::to_string(dice.between(10, 99)));
    appendText(out, dice.pick(kExtensions));
    do {
        out.push_back(0);
    } while (out.size() % kWordSize != 0);
}

// Later-section entries up to exactly `size` bytes.
void fillLaterSections(std::vector<std::uint8_t>& out, Dice& dice, std::size_t size) {
    while (out.size() < size) {
        appendLaterEntry(out, dice);
    }
    out.resize(size);
}

void appendFacedata(std::vector<std::uint8_t>& out) {
    appendText(out, kFingerprintText);
}

} // namespace

std::size_t demoEndOfLists(const DemoElementsOptions& options) {
    std::size_t end = sizeof kHeaderWord;
    for (std::size_t list = 0; list < kListCount; ++list) {
        const ListShape shape = kDefaultListShapes[list];
        end += kCountSize + static_cast<std::size_t>(countOf(list, options)) * shape.recordSize +
               shape.trailingBytes;
    }
    return end;
}

DemoElementsOptions largeDemoElementsOptions(std::size_t totalSize) {
    DemoElementsOptions options;
    options.creatureCount = kMaxRecordCount;
    const std::size_t lists = demoEndOfLists(options);
    // The file ends kBytesAfterFacedata bytes after the text.
    const std::size_t distance = totalSize - kBytesAfterFacedata - kFingerprintText.size() - lists;
    options.fingerprint = static_cast<std::int32_t>(distance + kFingerprintText.size() - kFingerprintAdjust);
    return options;
}

DemoElements generateDemoElements(const DemoElementsOptions& options) {
    Dice dice(options.seed);
    DemoElements db;
    std::vector<std::uint8_t>& out = db.bytes;
    const std::size_t endOfLists = demoEndOfLists(options);
    const std::size_t facedataAt = endOfLists + facedataDistance(options.fingerprint);
    out.reserve(facedataAt + kFingerprintText.size() + kBytesAfterFacedata);

    appendI32Le(out, kHeaderWord);
    std::int32_t creatureId = 2000;
    std::int32_t npcId = 20000;
    for (std::size_t list = 0; list < kListCount; ++list) {
        const ListShape shape = kDefaultListShapes[list];
        const std::int32_t count = countOf(list, options);
        appendI32Le(out, count);
        for (std::int32_t j = 0; j < count; ++j) {
            const std::size_t start = out.size();
            out.resize(start + shape.recordSize, 0);
            const auto record = std::span(out).subspan(start);
            if (list == kCreatureList.list) {
                creatureId += dice.between(1, 3);
                writeI32At(record, kCreatureList.idOffset, creatureId);
                writeUtf16At(record, namePositionFromDigits(kCreatureList.namePositionDigits),
                             creatureName(dice));
                db.creatureIds.push_back(creatureId);
            } else if (list == kNpcList.list) {
                npcId += dice.between(1, 2);
                writeI32At(record, kNpcList.idOffset, npcId);
                writeUtf16At(record, namePositionFromDigits(kNpcList.namePositionDigits), npcName(dice));
                db.npcIds.push_back(npcId);
            } else {
                writeI32At(record, 0, static_cast<std::int32_t>(list * 1000) + j + 1);
                if (list == 0 && j == 0) {
                    // The start signature "A_A1" follows the first record's ID.
                    writeUtf16At(record, kSignatureDistance - kCountSize, u"A_A1");
                }
            }
        }
        out.insert(out.end(), shape.trailingBytes, 0);
    }

    fillLaterSections(out, dice, endOfLists + kHiddenFacedataDistance);
    appendFacedata(out);
    fillLaterSections(out, dice, facedataAt - kQuietStretchBeforeFacedata);
    out.resize(facedataAt, 0);
    appendFacedata(out);
    fillLaterSections(out, dice, out.size() + kBytesAfterFacedata);
    return db;
}

} // namespace spawn::demo
