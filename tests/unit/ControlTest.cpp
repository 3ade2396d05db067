// The control channel of the virtual unit: its commands, hand-made events on the paced line,
// the socket, and the real unit driven through it.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <cstring>

#include "ControlChannel.h"
#include "ControlCommand.h"
#include "Pacer.h"
#include "StreamCheck.h"
#include "UnitPort.h"
#include "files/TempFolder.h"
#include "support/VirtualUnit.h"

namespace {

constexpr int64_t kStart = 1'000'000'000;
constexpr int64_t kSecond = 1'000'000'000;

LineSettings line9600(int format = 0x10) {
    LineSettings line;
    line.speed = 9600;
    EXPECT_TRUE(line.applyFormat(format));
    return line;
}

std::string pair(bool sd, uint8_t value, bool pe = false, bool fe = false) {
    StreamEvent e = StreamEvent::data(0, sd, value);
    e.parityError = pe;
    e.framingError = fe;
    return {static_cast<char>(pairFirstByte(e)), static_cast<char>(pairSecondByte(e))};
}

// A connected client of a control socket.
class Client {
  public:
    explicit Client(const std::string& path) {
        fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        fcntl(fd_, F_SETFL, O_NONBLOCK);
    }
    ~Client() { close(fd_); }
    [[nodiscard]] bool connected() const { return connected_; }
    void write(const std::string& text) const {
        ASSERT_EQ(send(fd_, text.data(), text.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(text.size()));
    }
    // Lets serve() run until count reply lines have come or a second has passed.
    std::string replies(int count, const std::function<void()>& serve = {}) {
        const int64_t end = nowMs() + 1000;
        while (std::count(buffer_.begin(), buffer_.end(), '\n') < count && nowMs() < end) {
            if (serve) {
                serve();
            }
            readUntil(
                fd_, buffer_,
                [count](const std::string& b) {
                    return std::count(b.begin(), b.end(), '\n') >= count;
                },
                serve ? 5 : 50);
        }
        std::string all;
        all.swap(buffer_);
        return all;
    }
    // Ends what the client sends, as `socat` does at the end of its input.
    void finish() const { shutdown(fd_, SHUT_WR); }
    // True when the channel has closed the connection.
    [[nodiscard]] bool closedByPeer() const {
        char c;
        pollfd p{fd_, POLLIN, 0};
        return poll(&p, 1, 1000) == 1 && recv(fd_, &c, 1, 0) == 0;
    }

  private:
    int fd_ = -1;
    bool connected_ = false;
    std::string buffer_;
};

// One round of the unit's loop for the channel alone.
void serveOnce(ControlChannel& channel, const std::function<std::string(std::string_view)>& h) {
    std::vector<pollfd> fds;
    channel.addPollFds(fds);
    poll(fds.data(), fds.size(), 5);
    channel.serve(fds, h);
}

}  // namespace

TEST(ControlCommandTest, LinesAreReadOrRefusedWithAReason) {
    using Kind = ControlCommand::Kind;
    struct Good {
        const char* line;
        Kind kind;
        bool sd, pe, fe;
        std::string bytes;
        uint8_t lines;
        const char* scenario;
    };
    const Good good[] = {
        {"SEND SD 41420d", Kind::Send, true, false, false, "AB\r", 0, ""},
        {"  send  rd  fe pe  00FF ", Kind::Send, false, true, true, std::string("\0\xFF", 2), 0,
         ""},
        {"SEND RD PE 41", Kind::Send, false, true, false, "A", 0, ""},
        {"LINES", Kind::Lines, false, false, false, "", 0, ""},
        {"LINES rs CI Er rs", Kind::Lines, false, false, false, "",
         Lines::RS | Lines::CI | Lines::ER, ""},
        {"SCENARIO none", Kind::Scenario, false, false, false, "", 0, "none"},
        {"scenario flood", Kind::Scenario, false, false, false, "", 0, "flood"},
        {"STATUS", Kind::Status, false, false, false, "", 0, ""},
        {"scenarios", Kind::Scenarios, false, false, false, "", 0, ""},
    };
    for (const Good& g : good) {
        SCOPED_TRACE(g.line);
        std::string error;
        const auto c = ControlCommand::parse(g.line, error);
        ASSERT_TRUE(c) << error;
        EXPECT_EQ(c->kind, g.kind);
        EXPECT_EQ(c->sd, g.sd);
        EXPECT_EQ(c->parityError, g.pe);
        EXPECT_EQ(c->framingError, g.fe);
        EXPECT_EQ(c->bytes, g.bytes);
        EXPECT_EQ(c->lines, g.lines);
        EXPECT_EQ(c->scenario, g.scenario);
    }
    const std::string tooLong = "SEND SD " + std::string(2 * ControlCommand::kMaxSend + 2, 'A');
    const std::pair<std::string, const char*> bad[] = {
        {"", "unknown command"},
        {"HELLO", "unknown command"},
        {"SEND", "SEND needs SD or RD"},
        {"SEND XD 41", "SEND needs SD or RD"},
        {"SEND SD", "SEND needs 1 to 1024 characters as pairs of hexadecimal digits"},
        {"SEND SD 414", "SEND needs 1 to 1024 characters as pairs of hexadecimal digits"},
        {"SEND SD 4G", "SEND needs 1 to 1024 characters as pairs of hexadecimal digits"},
        {"SEND SD 41 42", "unknown flag '41' (PE or FE)"},
        {tooLong, "SEND needs 1 to 1024 characters as pairs of hexadecimal digits"},
        {"LINES RS XX", "unknown control line 'XX' (RS CS ER DR CD CI)"},
        {"SCENARIO", "SCENARIO needs one of the names SCENARIOS gives"},
        {"SCENARIO Chat", "SCENARIO needs one of the names SCENARIOS gives"},
        {"STATUS now", "STATUS takes nothing more"},
    };
    for (const auto& [line, reason] : bad) {
        SCOPED_TRACE(line.substr(0, 40));
        std::string error;
        EXPECT_FALSE(ControlCommand::parse(line, error));
        EXPECT_EQ(error, reason);
    }
    EXPECT_EQ(lineNames(0), "-");
    EXPECT_EQ(lineNames(Lines::RS | Lines::DR | Lines::CI), "RS,DR,CI");
}

TEST(ControlCommandTest, SentCharactersFollowEachOtherAndFitTheLine) {
    std::string error;
    const auto c = ControlCommand::parse("SEND SD PE C1C2", error);
    ASSERT_TRUE(c);
    const LineSettings seven = line9600(0x02);  // 7 data bits, even parity
    const auto events = c->events(seven);
    ASSERT_EQ(events.size(), 2U);
    EXPECT_EQ(events[0].tick, seven.characterTicks());
    EXPECT_EQ(events[1].tick, 2 * seven.characterTicks());
    EXPECT_EQ(events[0].value, 0x41);  // a 7-bit line loses the top bit
    EXPECT_TRUE(events[1].sd && events[1].parityError && !events[1].framingError);
}

TEST(PacerInjectTest, HandMadeEventsGoOutAtTheLinesPaceOneAfterTheOther) {
    const LineSettings line = line9600();  // 8N1: 20 ticks a character, 19200 ticks a second
    Pacer pacer(nullptr, line, 1.0, kStart);
    std::string out;
    pacer.produce(kStart + kSecond, out, SIZE_MAX);
    EXPECT_EQ(out, "") << "a line without a scenario is quiet";
    EXPECT_TRUE(pacer.finished());

    std::string error;
    const auto ab = ControlCommand::parse("SEND SD 4142", error)->events(line);
    const auto cr = ControlCommand::parse("SEND RD FE 0D", error)->events(line);
    const int64_t now = kStart + kSecond;
    pacer.inject(now, ab);
    pacer.inject(now, cr);  // queued behind the first
    EXPECT_FALSE(pacer.finished());
    const int64_t character = kSecond * 20 / 19200;
    EXPECT_NEAR(static_cast<double>(pacer.nextDueNs()), static_cast<double>(now + character),
                kSecond / 19200.0);
    const int64_t slack = 1000;  // the nanoseconds of a due time are rounded
    pacer.produce(now + character + slack, out, SIZE_MAX);
    EXPECT_EQ(out, pair(true, 'A'));
    pacer.produce(now + 3 * character + slack, out, SIZE_MAX);
    EXPECT_EQ(out, pair(true, 'A') + pair(true, 'B') + pair(false, '\r', false, true));
    EXPECT_TRUE(pacer.finished());

    // A line change goes out at once, and only when it changes something.
    const StreamEvent lines[] = {StreamEvent::line(0, Lines::CS), StreamEvent::line(0, Lines::CS)};
    pacer.inject(now + kSecond, lines);
    out.clear();
    pacer.produce(now + kSecond, out, SIZE_MAX);
    EXPECT_EQ(out, std::string(1, static_cast<char>(lineStateByte(Lines::CS))));
}

TEST(PacerInjectTest, HandMadeEventsJoinTheScenarioAndScenariosSwitch) {
    const LineSettings line = line9600();
    Pacer pacer(Scenario::create("flood", line, 7), line, 1.0, kStart);
    Pacer alone(Scenario::create("flood", line, 7), line, 1.0, kStart);
    std::string error;
    const auto text = ControlCommand::parse("SEND RD PE 5A5A5A", error)->events(line);
    pacer.inject(kStart + kSecond / 2, text);
    std::string joined;
    std::string flood;
    pacer.produce(kStart + kSecond, joined, SIZE_MAX);
    alone.produce(kStart + kSecond, flood, SIZE_MAX);
    EXPECT_EQ(streamFault(joined), "");
    ASSERT_EQ(joined.size(), flood.size() + 6);
    // Taking the three hand-made pairs out leaves the flood as it was.
    const std::string z = pair(false, 'Z', true);
    std::string rest;
    int found = 0;
    for (size_t i = 0; i < joined.size(); i += 2) {
        if (joined.compare(i, 2, z) == 0) {
            ++found;
        } else {
            rest += joined.substr(i, 2);
        }
    }
    EXPECT_EQ(found, 3);
    EXPECT_EQ(rest, flood);

    // Switched to none, the line carries nothing more; switched back, the flood starts anew.
    pacer.switchScenario(nullptr, kStart + kSecond);
    std::string quiet;
    pacer.produce(kStart + 2 * kSecond, quiet, SIZE_MAX);
    EXPECT_EQ(quiet, "");
    pacer.switchScenario(Scenario::create("flood", line, 7), kStart + 2 * kSecond);
    std::string again;
    pacer.produce(kStart + 3 * kSecond, again, SIZE_MAX);
    Pacer fresh(Scenario::create("flood", line, 7), line, 1.0, kStart);
    std::string first;
    fresh.produce(kStart + kSecond, first, SIZE_MAX);
    EXPECT_NEAR(static_cast<double>(again.size()), static_cast<double>(first.size()), 4.0);
    EXPECT_EQ(again.substr(0, 200), first.substr(0, 200));
}

TEST(ControlChannelTest, AnswersEveryLineInOrderAndCleansUp) {
    TempFolder dir;
    const std::string path = dir.File("COM1.ctl");
    {
        dir.write("COM1.ctl", "keep");
        EXPECT_THROW(ControlChannel{path}, std::runtime_error) << "another file is kept";
        EXPECT_EQ(dir.read("COM1.ctl"), "keep");
        std::filesystem::remove(path);
    }
    EXPECT_THROW(ControlChannel{dir.File(std::string(120, 'x'))}, std::runtime_error);
    {
        ControlChannel left(path);  // a socket left behind is replaced
    }
    auto echo = [](std::string_view line) { return "got " + std::string(line); };
    {
        ControlChannel first(path);
        ControlChannel channel(path);
        struct stat st {};
        ASSERT_EQ(lstat(path.c_str(), &st), 0);
        EXPECT_TRUE(S_ISSOCK(st.st_mode));

        Client a(path);
        ASSERT_TRUE(a.connected());
        a.write("one\r\ntw");
        a.write("o\nthree\n");
        EXPECT_EQ(a.replies(3, [&] { serveOnce(channel, echo); }), "got one\ngot two\ngot three\n");

        Client b(path);
        b.write(std::string(ControlChannel::kMaxLine + 10, 'x'));
        EXPECT_EQ(b.replies(1, [&] { serveOnce(channel, echo); }), "NG line too long\n");
        serveOnce(channel, echo);
        EXPECT_TRUE(b.closedByPeer());
        a.write("four\n");
        EXPECT_EQ(a.replies(1, [&] { serveOnce(channel, echo); }), "got four\n");

        // Input that ends with the commands, a last one without LF, is still answered in full
        // before the connection closes.
        Client c(path);
        c.write("five\nsix");
        c.finish();
        EXPECT_EQ(c.replies(2, [&] { serveOnce(channel, echo); }), "got five\ngot six\n");
        serveOnce(channel, echo);
        EXPECT_TRUE(c.closedByPeer());
    }
    struct stat st {};
    EXPECT_NE(lstat(path.c_str(), &st), 0) << "the socket is removed";
}

TEST(UnitControlTest, TheRealUnitPutsWhatItIsToldOnTheMonitoredLine) {
    TempFolder dir;
    const std::string link = dir.File("COM7");
    VirtualUnit unit(QString::fromStdString(link), {"--scenario", "none"});
    ASSERT_TRUE(unit.ready()) << unit.errors().toStdString();
    auto ask = [&](const std::string& command) {
        return unit.control(QString::fromStdString(command)).toStdString();
    };
    ASSERT_EQ(ask("STATUS"), "OK stopped none -") << "the channel answers";
    EXPECT_EQ(ask("SCENARIOS"), "OK none chat modbus meter blocks errors lines flood garbage");
    EXPECT_EQ(ask("SEND SD 41"), "NG not monitoring");
    EXPECT_EQ(ask("LINES ER DR"), "OK");  // held for the start

    Port port(link);
    ASSERT_TRUE(port.isOpen());
    port.send("S0102\rS0212\r");  // 600 bit/s, 8 data bits, even parity
    EXPECT_EQ(port.lines(2), "OK\rOK\r");
    port.send("G01\r");
    EXPECT_EQ(port.lines(), "OK\r");
    const char lines = static_cast<char>(lineStateByte(Lines::ER | Lines::DR));
    EXPECT_EQ(port.within(100), std::string(1, lines));
    EXPECT_EQ(ask("STATUS"), "OK monitoring none ER,DR");

    EXPECT_EQ(ask("SEND SD 48690D"), "OK");
    EXPECT_EQ(ask("SEND RD PE FE 21"), "OK");
    EXPECT_EQ(ask("LINES CS"), "OK");
    // 600 bit/s 8E1 is 55 characters a second: the four take about 70 ms.
    std::string stream = port.within(300);
    EXPECT_EQ(stream, pair(true, 'H') + pair(true, 'i') + pair(true, '\r') +
                          pair(false, '!', true, true) +
                          std::string(1, static_cast<char>(lineStateByte(Lines::CS))));

    // A client that sends faster than the line carries is held off.
    const std::string kilo = "SEND SD " + std::string(2 * ControlCommand::kMaxSend, '5');
    int accepted = 0;
    std::string reply;
    while ((reply = ask(kilo)) == "OK" && accepted < 100) {
        ++accepted;
    }
    EXPECT_EQ(reply, "NG busy");
    EXPECT_EQ(accepted, 64);

    EXPECT_EQ(ask("SCENARIO flood"), "OK");
    stream = port.within(200);
    EXPECT_GT(stream.size(), 20U) << "the flood runs at once";
    EXPECT_EQ(streamFault(stream), "");
    port.send("G00\r");
    port.lines();
    EXPECT_EQ(ask("STATUS"), "OK stopped flood CS");
    EXPECT_EQ(unit.stop(), 0);
    struct stat st {};
    EXPECT_NE(lstat((link + ".ctl").c_str(), &st), 0) << "the socket is removed at exit";
}

TEST(UnitControlTest, ATapShowsInStatusTakesNoScenarioAndKeepsHandMadeCharactersToTheMonitor) {
    TempFolder dir;
    const std::string link = dir.File("COM8"), a = dir.File("a"), b = dir.File("b");
    VirtualUnit unit(QString::fromStdString(link), {"--tap-sd", QString::fromStdString(a),
                                                    "--tap-rd", QString::fromStdString(b)});
    ASSERT_TRUE(unit.ready()) << unit.errors().toStdString();
    const auto ask = [&unit](const char* command) {
        return unit.control(QString::fromLatin1(command)).toStdString();
    };
    ASSERT_EQ(ask("STATUS"), "OK stopped tap -") << "the channel answers";
    EXPECT_EQ(ask("SCENARIO chat"), "NG a tap carries no scenario");

    Port port(link), sideA(a), sideB(b);
    ASSERT_TRUE(port.isOpen() && sideA.isOpen() && sideB.isOpen());
    port.send("G01\r");
    EXPECT_EQ(port.lines(), "OK\r");
    EXPECT_EQ(ask("STATUS"), "OK monitoring tap -");
    EXPECT_EQ(ask("SEND RD 41"), "OK");
    EXPECT_EQ(port.within(100), pair(false, 'A'));
    EXPECT_EQ(sideA.within(20) + sideB.within(20), "") << "not sent to either side";

    EXPECT_EQ(unit.stop(), 0);
    struct stat st {};
    for (const std::string& path : {a, b}) {
        EXPECT_NE(lstat(path.c_str(), &st), 0) << path << " is removed at exit";
    }
}
