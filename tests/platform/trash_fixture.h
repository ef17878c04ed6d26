#pragma once
// A real site and a real trash in one temporary folder: HOME and
// XDG_DATA_HOME point into it, so the trash is <temp>/data/Trash and never
// the user's own. GLib reads both variables once per process, so they are set
// once, before the first job; each test gets a folder of its own beside
// them (root_) and starts with an empty trash.
#include "platform/trash.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <limits>
#include <ostream>
#include <string>
#include <system_error>
#include <tuple>
#include <vector>

// Readable failure messages for Qt strings.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace tavlori::test {

// Answers the dialogs of a trash job and records them.
class RecordingTrashUi : public platform::TrashUi {
public:
    bool confirmAnswer = true;
    // progress() answers false (cancel) when asked about this item.
    std::size_t cancelBefore = std::numeric_limits<std::size_t>::max();

    // The items each confirmation asked about.
    std::vector<std::vector<std::string>> confirmations;
    // Each item that could not be moved, the outcome and the trash's words.
    std::vector<platform::TrashItemResult> errors;
    std::vector<std::tuple<std::size_t, std::size_t, std::string>> progressCalls;

    bool confirm(const std::vector<std::string> &paths) override
    {
        confirmations.push_back(paths);
        return confirmAnswer;
    }
    bool progress(std::size_t done, std::size_t total, const std::string &item) override
    {
        progressCalls.emplace_back(done, total, item);
        return done != cancelBefore;
    }
    void error(const std::string &path, platform::TrashOutcome outcome, const std::string &detail) override
    {
        errors.push_back({path, outcome, detail});
    }
};

// The folder holding HOME, XDG_DATA_HOME and every test's own folder.
inline QString trashHomeRoot()
{
    static QTemporaryDir temp;
    static const QString root = [] {
        const QString path = QDir(temp.path()).canonicalPath();
        QDir().mkpath(path + "/home");
        QDir().mkpath(path + "/data");
        qputenv("HOME", (path + "/home").toUtf8());
        qputenv("XDG_DATA_HOME", (path + "/data").toUtf8());
        return path;
    }();
    return root;
}

class TrashFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString home = trashHomeRoot();
        ASSERT_FALSE(home.isEmpty());
        ASSERT_TRUE(temp_.isValid());
        std::error_code ignored;
        std::filesystem::remove_all(trash().toStdString(), ignored);
        root_ = QDir(temp_.path()).canonicalPath();
        savedCurrent_ = QDir::currentPath();
        ASSERT_TRUE(QDir().mkpath(root_ + "/site"));
        // The program stands in the base folder, as the window makes it.
        ASSERT_TRUE(QDir::setCurrent(site()));
    }

    void TearDown() override
    {
        QDir::setCurrent(savedCurrent_);
        // Let the temporary folder go even where a test made a folder read-only.
        QFile::setPermissions(site() + "/locked",
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    QString site() const { return root_ + "/site"; }
    QString trash() const { return trashHomeRoot() + "/data/Trash"; }
    std::string sitePath(const QString &name) const { return (site() + "/" + name).toStdString(); }

    void writePage(const QString &path, const QByteArray &content = "<html></html>")
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        file.write(content);
    }

    // The names in a folder, sorted; a name that is not UTF-8 shows its
    // stray bytes as U+FFFD.
    static QStringList entries(const QString &folder)
    {
        QStringList names;
        std::error_code error;
        for (std::filesystem::directory_iterator it(folder.toStdString(), error), end; !error && it != end;
             it.increment(error))
            names.append(QString::fromStdString(it->path().filename().string()));
        names.sort();
        return names;
    }
    QStringList siteEntries() const { return entries(site()); }
    QStringList trashedFiles() const { return entries(trash() + "/files"); }
    QStringList trashInfos() const { return entries(trash() + "/info"); }

    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Made inside the same file system as the trash.
    QTemporaryDir temp_{trashHomeRoot() + "/case-XXXXXX"};
    QString root_;

private:
    QString savedCurrent_;
};

} // namespace tavlori::test
