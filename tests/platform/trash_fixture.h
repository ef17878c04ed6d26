#pragma once
// A real site and a real trash in one temporary folder: HOME and
// XDG_DATA_HOME point into it, so QFile::moveToTrash puts items into
// <temp>/data/Trash and never into the user's own trash.
#include "platform/shellfileop.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstddef>
#include <limits>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

// Readable failure messages for Qt strings.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace tavlori::test {

// Answers the dialogs of a trash request and records them.
class RecordingShellUi : public platform::ShellUi {
public:
    bool confirmAnswer = true;
    // progress() answers false (cancel) when asked about this item.
    std::size_t cancelBefore = std::numeric_limits<std::size_t>::max();

    std::vector<std::string> confirmations;
    std::vector<std::string> errors;
    std::vector<std::tuple<std::size_t, std::size_t, std::string>> progressCalls;

    bool confirm(const std::string &text) override
    {
        confirmations.push_back(text);
        return confirmAnswer;
    }
    bool progress(std::size_t done, std::size_t total, const std::string &item) override
    {
        progressCalls.emplace_back(done, total, item);
        return done != cancelBefore;
    }
    void error(const std::string &text) override { errors.push_back(text); }
};

class TrashFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp_.isValid());
        root_ = QDir(temp_.path()).canonicalPath();
        savedCurrent_ = QDir::currentPath();
        savedHome_ = qgetenv("HOME");
        savedDataHome_ = qgetenv("XDG_DATA_HOME");
        hadDataHome_ = qEnvironmentVariableIsSet("XDG_DATA_HOME");
        ASSERT_TRUE(QDir().mkpath(root_ + "/home"));
        ASSERT_TRUE(QDir().mkpath(root_ + "/data"));
        ASSERT_TRUE(QDir().mkpath(root_ + "/site"));
        qputenv("HOME", (root_ + "/home").toUtf8());
        qputenv("XDG_DATA_HOME", (root_ + "/data").toUtf8());
        // The program stands in the base folder, as the window makes it.
        ASSERT_TRUE(QDir::setCurrent(site()));
    }

    void TearDown() override
    {
        QDir::setCurrent(savedCurrent_);
        qputenv("HOME", savedHome_);
        if (hadDataHome_)
            qputenv("XDG_DATA_HOME", savedDataHome_);
        else
            qunsetenv("XDG_DATA_HOME");
        // Let the temporary folder go even where a test made a folder read-only.
        QFile::setPermissions(site() + "/locked", QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                     | QFileDevice::ExeOwner);
    }

    QString site() const { return root_ + "/site"; }
    QString trash() const { return root_ + "/data/Trash"; }
    std::string sitePath(const QString &name) const { return (site() + "/" + name).toStdString(); }

    void writePage(const QString &path, const QByteArray &content = "<html></html>")
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
        file.write(content);
    }

    static QStringList entries(const QString &folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden
                                          | QDir::System,
                                      QDir::Name);
    }
    QStringList siteEntries() const { return entries(site()); }
    QStringList trashedFiles() const { return entries(trash() + "/files"); }
    QStringList trashInfos() const { return entries(trash() + "/info"); }

    static QByteArray contents(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir temp_;
    QString root_;

private:
    QString savedCurrent_;
    QByteArray savedHome_;
    QByteArray savedDataHome_;
    bool hadDataHome_ = false;
};

} // namespace tavlori::test
