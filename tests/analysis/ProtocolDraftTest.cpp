// The protocol editor's model: the form of a definition, its faults, the file written back and
// the preview of its frames.
#include <gtest/gtest.h>

#include "analysis/FrameExamples.h"
#include "analysis/FramePreview.h"
#include "analysis/ProtocolDraft.h"
#include "support/SampleCapture.h"

using proto::Draft;
using proto::Key;

namespace {

// The drafts of a text that parses.
std::vector<Draft> DraftsOf(std::string_view text) {
    std::string error;
    auto drafts = proto::draftsOf(text, error);
    EXPECT_EQ(error, "");
    return drafts.value_or(std::vector<Draft>{});
}

Draft Named(const std::string& name, std::initializer_list<std::pair<Key, const char*>> keys) {
    Draft d{name, {}, {}};
    for (const auto& [k, v] : keys) {
        d[k] = v;
    }
    return d;
}

}  // namespace

TEST(ProtocolDraft, TheFormKeepsTheTextOfWhatItLeavesAlone) {
    const std::vector<Draft> read = DraftsOf(
        "[a]\nstart = aa\nLength= 2, 1, le, 5\nCheck=CRC16-Modbus\nCheckOrder=le\nCheckAscii=0\n");
    ASSERT_EQ(read.size(), 1U);
    EXPECT_EQ(read[0].origin, "a");
    EXPECT_EQ(read[0][Key::Length], "2, 1, le, 5");
    const proto::DraftForm form = proto::formOf(read[0]);
    EXPECT_EQ(form.start, "aa");
    EXPECT_TRUE(form.length);
    EXPECT_EQ(form.lengthOffset, "2");
    EXPECT_EQ(form.lengthSize, 1);
    EXPECT_FALSE(form.lengthBigEndian);
    EXPECT_EQ(form.lengthAdjust, "5");
    EXPECT_EQ(form.check, proto::Check::Crc16Modbus);
    EXPECT_EQ(form.checkBigEndian, std::optional<bool>(false));
    EXPECT_FALSE(form.checkAscii);

    Draft same = read[0];
    proto::applyForm(form, same);
    EXPECT_EQ(same, read[0]) << "nothing changed, nothing rewritten";

    // Each change of the form rewrites only its own key.
    const struct {
        void (*edit)(proto::DraftForm&);
        Key key;
        const char* value;
    } cases[] = {
        {[](proto::DraftForm& f) { f.lengthAdjust = "6"; }, Key::Length, "2,1,LE,6"},
        {[](proto::DraftForm& f) { f.length = false; }, Key::Length, ""},
        {[](proto::DraftForm& f) { f.check = proto::Check::None; }, Key::Check, ""},
        {[](proto::DraftForm& f) { f.check = proto::Check::Xor8; }, Key::Check, "xor8"},
        {[](proto::DraftForm& f) { f.checkBigEndian = std::nullopt; }, Key::CheckOrder, ""},
        {[](proto::DraftForm& f) { f.checkBigEndian = true; }, Key::CheckOrder, "BE"},
        {[](proto::DraftForm& f) { f.checkAfterEnd = true; }, Key::CheckAfterEnd, "1"},
        {[](proto::DraftForm& f) { f.checkAscii = true; }, Key::CheckAscii, "1"},
        {[](proto::DraftForm& f) { f.end = " 03 \n04"; }, Key::End, "03"},
        {[](proto::DraftForm& f) { f.timeout = "20"; }, Key::Timeout, "20"},
    };
    for (const auto& c : cases) {
        proto::DraftForm f = form;
        c.edit(f);
        Draft d = read[0];
        proto::applyForm(f, d);
        for (size_t k = 0; k < proto::kKeyCount; ++k) {
            const auto key = static_cast<Key>(k);
            EXPECT_EQ(d[key], key == c.key ? c.value : read[0][key])
                << proto::keyName(c.key) << " changed, " << proto::keyName(key) << " looked at";
        }
    }
}

TEST(ProtocolDraft, AFaultIsToldAtItsFieldWithTheEnginesReason) {
    const struct {
        Draft draft;
        std::optional<Key> key;
        const char* reason;  // empty: no fault
    } cases[] = {
        {Named("stx", {{Key::Start, "02"}, {Key::End, "03"}}), {}, ""},
        {Named("", {{Key::End, "03"}}), {}, "名前がありません"},
        {Named("a]b", {{Key::End, "03"}}), {}, "名前の前後の空白、[ ] と制御文字は使えません"},
        {Named(" a", {{Key::End, "03"}}), {}, "名前の前後の空白、[ ] と制御文字は使えません"},
        {Named("Lines", {{Key::End, "03"}}), {}, "組み込みのプロトコルの名前です"},
        {Named("OTHER", {{Key::End, "03"}}), {}, "同じ名前の定義がほかにあります"},
        {Named("a", {{Key::Start, "02"}}), Key::End,
         "a frame has no way to end: give End, Length or Fixed"},
        {Named("a", {{Key::Start, "0G"}, {Key::End, "03"}}), Key::Start,
         "Start=0G: expected 1 to 16 bytes as pairs of hex digits"},
        {Named("a", {{Key::Length, ",1,BE,0"}}), Key::Length,
         "Length=,1,BE,0: expected OFFSET,SIZE,ORDER,ADJUST with SIZE 1, 2 or 4 and ORDER BE or "
         "LE"},
        {Named("a", {{Key::Fixed, "4"}, {Key::CheckAfterEnd, "1"}, {Key::Check, "sum8"}}),
         Key::CheckAfterEnd, "CheckAfterEnd=1 without End"},
        {Named("a", {{Key::End, "03"}, {Key::CheckFrom, "1"}}), Key::Check,
         "CheckFrom without a Check"},
        {Named("a", {{Key::Fixed, "8"}, {Key::Max, "4"}}), Key::Max, "Fixed is larger than Max"},
    };
    for (const auto& c : cases) {
        const std::vector<Draft> drafts{c.draft, Named("other", {{Key::End, "0D"}})};
        const auto fault = proto::draftFault(drafts, 0);
        SCOPED_TRACE(c.draft.name + " " + c.reason);
        if (*c.reason == '\0') {
            EXPECT_EQ(fault, std::nullopt);
            EXPECT_TRUE(proto::protocolOf(c.draft));
            continue;
        }
        ASSERT_TRUE(fault);
        EXPECT_EQ(*fault, (proto::DraftFault{c.key, c.reason}));
        if (c.key) {  // the engine refuses it
            EXPECT_FALSE(proto::protocolOf(c.draft));
        }
    }
}

// The file written back: comments, blank lines and untouched lines as they were.
TEST(ProtocolDraft, TheFileKeepsWhatNoDraftChanged) {
    const std::string text =
        "; protocols of the plant\r\n"
        "[stx]\r\n"
        "; framed by STX ETX\r\n"
        "start = 02\r\n"
        "End=03\r\n"
        "Check=xor8\r\n"
        "\r\n"
        "[old]\r\n"
        "Fixed=4\r\n"
        "\r\n"
        "[len]\r\n"
        "Length=1,1,BE,2\r\n";
    std::vector<Draft> drafts = DraftsOf(text);
    ASSERT_EQ(drafts.size(), 3U);
    EXPECT_EQ(proto::withDrafts(text, drafts, "\n"), text) << "unchanged drafts, unchanged file";

    drafts[0][Key::End] = "03 04";     // changed in its line
    drafts[0][Key::Check] = "";        // dropped
    drafts[0][Key::Timeout] = "50";    // added after the section's last line
    drafts.erase(drafts.begin() + 1);  // [old] removed
    drafts[1].name = "length";         // renamed
    drafts.push_back(Named("crlf", {{Key::End, "0D0A"}}));
    const std::string written = proto::withDrafts("\xEF\xBB\xBF" + text, drafts, "\n");
    EXPECT_EQ(written,
              "\xEF\xBB\xBF"
              "; protocols of the plant\r\n"
              "[stx]\r\n"
              "; framed by STX ETX\r\n"
              "start = 02\r\n"
              "End=03 04\r\n"
              "Timeout=50\r\n"
              "\r\n"
              "[length]\r\n"
              "Length=1,1,BE,2\r\n"
              "\r\n"
              "[crlf]\r\n"
              "End=0D0A\r\n");
    // It reads back as the same definitions.
    std::vector<Draft> back = DraftsOf(written);
    ASSERT_EQ(back.size(), drafts.size());
    for (size_t i = 0; i < back.size(); ++i) {
        back[i].origin = drafts[i].origin;
        back[i][Key::Start] = drafts[i][Key::Start];  // "02" as written: " 02" was trimmed
        EXPECT_EQ(back[i], drafts[i]);
    }
    // A file that is not there yet.
    EXPECT_EQ(proto::withDrafts("", {Named("a", {{Key::Fixed, "3"}, {Key::Start, "AA"}})}, "\n"),
              "[a]\nStart=AA\nFixed=3\n");
    std::string error;
    EXPECT_FALSE(proto::draftsOf("[a]\nStart=02\n", error));
    EXPECT_EQ(error, "line 1: [a]: a frame has no way to end: give End, Length or Fixed");
}

// The preview on a hand-built capture, framed in pieces smaller than a frame.
TEST(ProtocolDraft, ThePreviewCountsGoodAndBadChecks) {
    const Draft stx = Named(
        "stx",
        {{Key::Start, "02"}, {Key::End, "03"}, {Key::Check, "xor8"}, {Key::CheckAfterEnd, "1"}});
    const std::vector<uint8_t> records = StxCapture();
    FramePreview preview(records, LineTiming{9600, 1, 0, 0, 100}, *proto::protocolOf(stx));
    int steps = 0;
    while (!preview.step(6)) {
        ++steps;
    }
    EXPECT_GT(steps, 3);
    EXPECT_TRUE(preview.done());
    const FramePreview::Counts& n = preview.counts();
    EXPECT_EQ(n.frames, 5);
    EXPECT_EQ(n.ok, 2);
    EXPECT_EQ(n.bad, 1);
    EXPECT_EQ(n.noise, 1);
    EXPECT_EQ(n.problems, 1);
    ASSERT_EQ(preview.rows().size(), 5U);
    EXPECT_EQ(preview.rows()[1].head, (std::vector<uint8_t>{0x02, 0x41, 0x42, 0x03, 0x02}));
    EXPECT_EQ(preview.rows()[4].frame.problem, proto::Problem::Truncated);
}

// Many frames: all are counted, the first kMaxRows kept, each with its first kHeadBytes bytes.
TEST(ProtocolDraft, ThePreviewKeepsTheFirstRowsAndCountsAll) {
    SampleCapture c;
    const size_t frames = FramePreview::kMaxRows + 20;
    for (size_t i = 0; i < frames; ++i) {
        c.Data(std::string(FramePreview::kHeadBytes + 6, 'x'), i % 2 == 0);
    }
    FramePreview preview(c.bytes, LineTiming{},
                         *proto::protocolOf(Named("f", {{Key::Fixed, "30"}})));
    while (!preview.step(4096)) {
    }
    EXPECT_EQ(preview.counts().frames, static_cast<int64_t>(frames));
    ASSERT_EQ(preview.rows().size(), FramePreview::kMaxRows);
    EXPECT_EQ(preview.rows().back().frame.bytes, 30);
    EXPECT_EQ(preview.rows().back().head.size(), FramePreview::kHeadBytes);
}
