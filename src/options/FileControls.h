#pragma once
// The drive, folder and file lists of the image browser. Folders are named
// as the program stores paths ("C:\Windows", or a POSIX path on the home and
// file-system drives; see platform/storage/Folders.h).

#include "platform/storage/Folders.h"

#include <QComboBox>
#include <QListWidget>

// The drives; selecting one emits driveChosen with its name.
class DriveListBox : public QComboBox {
    Q_OBJECT
public:
    explicit DriveListBox(QWidget *parent = nullptr);
    // Re-reads the drives (links may come and go).
    void Refresh();
    QString Drive() const;
    QString RootOf(const QString &drive) const;
    // Shows the drive a folder lies on, without emitting driveChosen.
    void ShowDriveOf(const QString &folder);

Q_SIGNALS:
    void driveChosen(const QString &drive);

protected:
    // The home drive's entry carries its path, which may be longer than the
    // box: the box shortens it in the middle, keeping "home [" and the
    // folder's own name; the opened list shows it whole.
    void paintEvent(QPaintEvent *event) override;

private:
    std::vector<platform::DriveEntry> m_drives;
    bool m_quiet = false;
};

// The folder list: the steps down to the current folder, then its
// sub-folders. A double click or Enter on an entry makes it the current folder.
class DirListBox : public QListWidget {
    Q_OBJECT
public:
    explicit DirListBox(QWidget *parent = nullptr);
    QString Path() const { return m_path; }
    // False, with nothing changed, when the folder cannot be entered (its
    // drive is not ready, or it is no folder).
    bool SetPath(const QString &folder);

Q_SIGNALS:
    void pathChanged(const QString &folder);

private:
    void Fill();
    QString m_path;
};

// The files of one folder that match the pattern. A click or a move with
// the keys emits fileClicked.
class FileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileListBox(QWidget *parent = nullptr);
    QString Path() const { return m_path; }
    void SetPath(const QString &folder);
    QString Pattern() const { return m_pattern; }
    void SetPattern(const QString &pattern);
    // The selected file's name, or the empty text.
    QString FileName() const;
    QStringList Names() const;

Q_SIGNALS:
    void fileClicked();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Fill();
    QString m_path;
    QString m_pattern = QStringLiteral("*.*");
};
