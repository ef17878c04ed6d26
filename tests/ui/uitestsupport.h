#pragma once
// Shared pieces of the window tests: a site folder, a window opened on it,
// a recorder that answers every dialog and counts the beeps, and the rows of
// the lists and of the folder tree.
#include "ui/dialogs.h"
#include "ui/foldertree.h"
#include "ui/listviewevents.h"
#include "ui/mainwindow.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

namespace tavlori::test {

// Answers every dialog with its first button and remembers it; counts beeps.
class DialogRecorder {
public:
    DialogRecorder() { install(); }
    // Makes this recorder answer the dialogs again (after a test set its own hook).
    void install()
    {
        ui::setDialogHook([this](const ui::DialogRequest &request) {
            requests.push_back(request);
            return 0;
        });
        ui::setBeepHook([this] { ++beeps; });
    }
    ~DialogRecorder()
    {
        ui::setDialogHook({});
        ui::setBeepHook({});
    }
    int count(ui::DialogKind kind) const
    {
        int n = 0;
        for (const auto &r : requests)
            n += r.kind == kind ? 1 : 0;
        return n;
    }
    void clear()
    {
        requests.clear();
        beeps = 0;
    }
    std::vector<ui::DialogRequest> requests;
    int beeps = 0;
};

// A temporary folder to write pages into, removed with everything in it at
// the end; made inside `parent` when one is given (e.g. on the file system of
// a test's own trash).
class Site {
public:
    explicit Site(const QString &parent = {})
        : dir(parent.isEmpty() ? QTemporaryDir() : QTemporaryDir(parent + QStringLiteral("/site-XXXXXX")))
    {
        QVERIFY(dir.isValid());
    }
    QString path(const QString &name = {}) const
    {
        // The physical path, as the system reports a current directory.
        const QString root = QDir(dir.path()).canonicalPath();
        return name.isEmpty() ? root : root + QLatin1Char('/') + name;
    }
    void write(const QString &name, const QByteArray &bytes) const
    {
        QDir().mkpath(QFileInfo(path(name)).absolutePath());
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    void mkdir(const QString &name) const { QVERIFY(QDir().mkpath(path(name))); }
    QTemporaryDir dir;
};

// The window opened on `folder` as the program opens it on its working
// directory, shown, its first showing handled.
inline std::unique_ptr<ui::MainWindow> openWindow(const QString &folder)
{
    if (!QDir::setCurrent(folder))
        return nullptr;
    auto window = std::make_unique<ui::MainWindow>();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        return nullptr;
    return window;
}

inline QStringList rows(const RowList &list)
{
    QStringList out;
    for (std::size_t i = 0; i < list.size(); ++i)
        out.append(QString::fromStdString(list.row(i)));
    return out;
}

// The rows the folder tree shows, and the row showing `text` (-1: none).
inline QStringList folderRows(const ui::FolderTree *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out.append(list->item(i)->text());
    return out;
}

inline int folderRow(const ui::FolderTree *list, const QString &text)
{
    return int(folderRows(list).indexOf(text));
}

// The search column's rows as the window shows them.
inline QStringList rows(const ResultList<SearchHit> &hits)
{
    QStringList out;
    for (const SearchHit hit : hits)
        out.append(hit == SearchHit::Found ? "found" : hit == SearchHit::NotSearched ? " " : "-");
    return out;
}

// The broken links' texts, as the missing-target list shows them.
inline QStringList linkRows(const Workspace &ws)
{
    QStringList out;
    for (const BrokenLink &broken : ws.brokenLinks())
        out.append(QString::fromStdString(broken.link));
    return out;
}

// The pages holding them, as the broken-link page list shows them.
inline QStringList pageRows(const Workspace &ws)
{
    QStringList out;
    for (const BrokenLink &broken : ws.brokenLinks())
        out.append(QString::fromStdString(broken.page));
    return out;
}

inline QString str(const std::string &s)
{
    return QString::fromStdString(s);
}

} // namespace tavlori::test
