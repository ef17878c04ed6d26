#pragma once
// Running the built tavlori-report from a test: temporary folders, files,
// one run with its exit status and both output streams, and the JSON lists
// of its report.
#include "json_reader.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavlori::test {

namespace fs = std::filesystem;

using Rows = std::vector<std::string>;
using Pairs = std::vector<std::pair<std::string, std::string>>;

struct ReportRun {
    int status = -1; // exit status, or -1 when the program did not exit by itself
    std::string out;
    std::string err;
};

inline std::string readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void writeFile(const fs::path &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

class TempDir {
public:
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "tavlori-report-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const fs::path &path() const { return path_; }

private:
    fs::path path_;
};

// Runs the program with `args`; stdout and stderr go to files, stderr to
// `stderrFd` instead when it is given (a terminal). A run that has not ended
// after two minutes is killed and fails the test instead of hanging it.
inline ReportRun runReport(const std::vector<std::string> &args, int stderrFd = -1)
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
        const int err =
            stderrFd >= 0 ? stderrFd : ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
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
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (WIFEXITED(status))
        run.status = WEXITSTATUS(status);
    run.out = readFile(outPath);
    run.err = readFile(errPath);
    return run;
}

// The report's JSON object; fails the test when the output is not valid JSON.
inline Json parseReport(const ReportRun &run)
{
    std::string error;
    const auto parsed = JsonReader::parse(run.out, error);
    if (!parsed) {
        ADD_FAILURE() << "not valid JSON: " << error << "\n" << run.out;
        return {};
    }
    EXPECT_EQ(parsed->kind, Json::Kind::Object);
    return *parsed;
}

inline Rows list(const Json &report, const char *key)
{
    const Json *value = report.find(key);
    if (!value) {
        ADD_FAILURE() << "no \"" << key << "\" in the report";
        return {};
    }
    return value->strings();
}

inline Pairs brokenPairs(const Json &report)
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

inline std::string canonicalBase(const fs::path &folder)
{
    return fs::canonical(folder).string();
}

} // namespace tavlori::test
