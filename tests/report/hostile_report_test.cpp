// tavlori-report on hostile folders: whatever the names and pages hold, the
// JSON it prints is valid and reads back to the right rows, a page that is a
// FIFO or a socket ends the run with exit status 2 and an error object, and
// no run waits for ever.
#include "json_reader.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::string_literals;
using tavlori::test::Json;
using tavlori::test::JsonReader;

namespace {

using Rows = std::vector<std::string>;
using Pairs = std::vector<std::pair<std::string, std::string>>;

const std::string kReplacement = "\xEF\xBF\xBD"; // U+FFFD

class TempDir {
public:
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "tavlori-hostile-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        path_ = fs::canonical(pattern);
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path &path() const { return path_; }

private:
    fs::path path_;
};

void writeFile(const fs::path &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

std::string readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct ReportRun {
    int status = -1; // exit status; -1 when the program did not exit by itself
    std::string out;
    std::string err;
};

// Runs the program with `args`. A run that has not ended after two minutes
// is killed and fails the test instead of hanging it.
ReportRun runReport(const std::vector<std::string> &args)
{
    TempDir capture;
    const std::string outPath = (capture.path() / "out").string();
    const std::string errPath = (capture.path() / "err").string();
    std::vector<std::string> all = {TAVLORI_REPORT_PROGRAM};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int in = ::open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0)
            ::_exit(127);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ReportRun run;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR) {
            ADD_FAILURE() << "waitpid failed";
            return run;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ADD_FAILURE() << "tavlori-report hung and was killed";
            return run;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    run.out = readFile(outPath);
    run.err = readFile(errPath);
    return run;
}

Json parseReport(const ReportRun &run)
{
    std::string error;
    const auto parsed = JsonReader::parse(run.out, error);
    if (!parsed) {
        ADD_FAILURE() << "not valid JSON: " << error;
        return {};
    }
    EXPECT_EQ(parsed->kind, Json::Kind::Object);
    return *parsed;
}

Rows list(const Json &report, const char *key)
{
    const Json *value = report.find(key);
    if (!value) {
        ADD_FAILURE() << "no \"" << key << "\" in the report";
        return {};
    }
    return value->strings();
}

Pairs brokenPairs(const Json &report)
{
    Pairs pairs;
    const Json *broken = report.find("broken");
    if (!broken) {
        ADD_FAILURE() << "no \"broken\" in the report";
        return pairs;
    }
    for (const Json &pair : broken->items) {
        const Rows two = pair.strings();
        EXPECT_EQ(two.size(), 2u);
        if (two.size() == 2)
            pairs.emplace_back(two[0], two[1]);
    }
    return pairs;
}

void makeSocket(const fs::path &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(path.native().size(), sizeof address.sun_path) << "path too long for a socket: " << path;
    std::copy(path.native().begin(), path.native().end(), address.sun_path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    const int bound = ::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address);
    ::close(fd);
    ASSERT_EQ(bound, 0) << path;
}

// Page names with control characters, quotes, backslashes and every kind of
// ill-formed UTF-8; a binary page; links that dangle, loop or lead back to the
// folder itself; link texts with control characters, a line break and 5,000
// characters. The report is valid JSON and every row reads back as the page
// list holds it, each stray byte shown as one U+FFFD.
TEST(HostileReport, OddNamesAndPagesGiveValidJsonWithEveryRow)
{
    TempDir site;
    const fs::path S = site.path();
    const std::string K = S.string();
    const std::string longLink = std::string(4996, 'L') + ".htm";
    writeFile(S / "index.htm", "<a href=\"ctl\x01.htm\"> <a href=\"tab\t.htm\"> <a href=\"dangling.htm\"> "
                               "<a href=\"new\nline.htm\"> <a href=\"" + longLink + "\"> <a href=\"back\\slash.htm\">\n");
    for (const std::string &name : {"back\\slash.htm"s, "bad\xC0\xAF.htm"s, "ctl\x01.htm"s, "cut\xE3\x81.htm"s,
                                    "lone\x80.htm"s, "new\nline.htm"s, "quote\".htm"s, "sur\xED\xA0\x80.htm"s,
                                    "tab\t.htm"s})
        writeFile(S / name, "&&&\n");
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>((i * 7919 + 13) & 0xFF);
    writeFile(S / "bin.htm", binary);
    fs::create_symlink("nowhere.htm", S / "dangling.htm");
    fs::create_symlink("loop.htm", S / "loop.htm");
    fs::create_directory_symlink(".", S / "self.htm"); // a folder: never listed, never entered

    const ReportRun run = runReport({"--json", K});
    EXPECT_EQ(run.status, 1) << run.err;
    const Json report = parseReport(run);
    const std::string R = kReplacement;
    EXPECT_EQ(list(report, "pages"),
              (Rows{"back\\slash.htm", "bad" + R + R + ".htm", "bin.htm", "ctl\x01.htm", "cut" + R + R + ".htm",
                    "dangling.htm", "index.htm", "lone" + R + ".htm", "loop.htm", "new\nline.htm", "quote\".htm",
                    "sur" + R + R + R + ".htm", "tab\t.htm"}));
    EXPECT_EQ(list(report, "missing"), (Rows{"dangling.htm", "loop.htm"}));
    EXPECT_EQ(brokenPairs(report), (Pairs{{"index.htm", "dangling.htm"},
                                          {"index.htm", "new\r\nline.htm"},
                                          {"index.htm", longLink},
                                          {"index.htm", "back\\slash.htm"}}));
    EXPECT_EQ(list(report, "unrequested"),
              (Rows{K + "/bad" + R + R + ".htm", K + "/bin.htm", K + "/cut" + R + R + ".htm", K + "/index.htm",
                    K + "/lone" + R + ".htm", K + "/loop.htm", K + "/new\nline.htm", K + "/quote\".htm",
                    K + "/sur" + R + R + R + ".htm"}));
    EXPECT_EQ(report.find("error"), nullptr);

    // The readable report runs to its end too.
    const ReportRun text = runReport({K});
    EXPECT_EQ(text.status, 1) << text.err;
    EXPECT_NE(text.out.find("リンク切れ: 4\n"), std::string::npos) << text.out;
}

// A page that is a FIFO or a socket, under a name that is not UTF-8, stops
// the run at once: exit status 2, the lists as they stood, and an error
// object naming the page; the JSON stays valid, and the error line on the
// standard error stream names the page's path as it is on disk.
TEST(HostileReport, FifoOrSocketPageExitsTwoWithAnErrorObject)
{
    struct Case {
        const char *kind;
        void (*make)(const fs::path &);
    };
    const std::vector<Case> cases = {
        {"fifo", [](const fs::path &p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }},
        {"socket", makeSocket},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.kind);
        TempDir site;
        const std::string K = site.path().string();
        writeFile(site.path() / "a.htm", "&&& <a href=\"gone.htm\">\n");
        c.make(site.path() / "fi\xFF.htm");
        writeFile(site.path() / "z.htm", "&&& <a href=\"zz.htm\">\n");

        const ReportRun run = runReport({"--json", K});
        EXPECT_EQ(run.status, 2);
        const Json report = parseReport(run);
        const std::string page = "fi" + kReplacement + ".htm";
        EXPECT_EQ(list(report, "pages"), (Rows{"a.htm", page, "z.htm"}));
        EXPECT_EQ(list(report, "search"), Rows{"found"});
        EXPECT_EQ(list(report, "requests"), Rows{K + "/gone.htm"});
        EXPECT_EQ(brokenPairs(report), (Pairs{{"a.htm", "gone.htm"}}));
        EXPECT_EQ(list(report, "unrequested"), Rows{});
        const Json *error = report.find("error");
        ASSERT_NE(error, nullptr);
        ASSERT_NE(error->find("page"), nullptr);
        ASSERT_NE(error->find("message"), nullptr);
        EXPECT_EQ(error->find("page")->text, page);
        EXPECT_EQ(error->find("message")->text,
                  "ファイル " + K + "/" + page + " は開けません。 通常のファイルではありません ");
        EXPECT_EQ(run.err, "ファイル " + K + "/fi\xFF.htm は開けません。 通常のファイルではありません \n");

        const ReportRun text = runReport({K});
        EXPECT_EQ(text.status, 2);
    }
}

} // namespace
