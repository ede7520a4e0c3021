#include "options/FileControls.h"

#include <QApplication>
#include <QKeyEvent>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStylePainter>

using namespace platform;

DriveListBox::DriveListBox(QWidget *parent) : QComboBox(parent)
{
    setAccessibleName(QStringLiteral("Drives"));
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_quiet)
            Q_EMIT driveChosen(Drive());
    });
    Refresh();
}

void DriveListBox::Refresh()
{
    m_quiet = true;
    const QString shown = Drive();
    m_drives = ListDrives();
    clear();
    const QIcon icon = QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon);
    for (const DriveEntry &drive : m_drives) {
        const QString label =
            drive.name == QLatin1String("home") ? QStringLiteral("home [%1]").arg(drive.root) : drive.name;
        addItem(icon, label, drive.name);
    }
    const int index = findData(shown);
    setCurrentIndex(index < 0 ? 0 : index);
    m_quiet = false;
}

void DriveListBox::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    const int room = field.width() - (option.currentIcon.isNull() ? 0 : option.iconSize.width() + 4) - 2;
    option.currentText = fontMetrics().elidedText(option.currentText, Qt::ElideMiddle, room);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

QString DriveListBox::Drive() const
{
    return currentData().toString();
}

QString DriveListBox::RootOf(const QString &drive) const
{
    for (const DriveEntry &entry : m_drives)
        if (entry.name == drive)
            return entry.root;
    return {};
}

void DriveListBox::ShowDriveOf(const QString &folder)
{
    const int index = findData(DriveNameOf(folder, m_drives));
    if (index < 0)
        return;
    m_quiet = true;
    setCurrentIndex(index);
    m_quiet = false;
}

DirListBox::DirListBox(QWidget *parent) : QListWidget(parent)
{
    setAccessibleName(QStringLiteral("Folders"));
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        const QString folder = item->data(Qt::UserRole).toString();
        if (folder != m_path)
            SetPath(folder);
    });
}

bool DirListBox::SetPath(const QString &folder)
{
    if (!FolderExists(folder))
        return false;
    m_path = folder;
    Fill();
    Q_EMIT pathChanged(m_path);
    return true;
}

void DirListBox::Fill()
{
    clear();
    QStyle *style = QApplication::style();
    const QIcon open = style->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style->standardIcon(QStyle::SP_DirClosedIcon);
    const auto add = [this](const QIcon &icon, const QString &text, const QString &folder, int depth) {
        auto *item = new QListWidgetItem(icon, QString(depth * 2, QChar(' ')) + text, this);
        item->setData(Qt::UserRole, folder);
        return item;
    };
    QString folder = platform::RootOf(m_path);
    QListWidgetItem *current = add(open, folder, folder, 0);
    int depth = 1;
    for (const QString &step : FolderSteps(m_path)) {
        folder = ChildFolder(folder, step);
        current = add(open, step, folder, depth++);
    }
    for (const QString &name : SubFolders(m_path))
        add(closed, name, ChildFolder(m_path, name), depth);
    setCurrentItem(current);
}

FileListBox::FileListBox(QWidget *parent) : QListWidget(parent)
{
    setAccessibleName(QStringLiteral("Files"));
    setUniformItemSizes(true); // a folder of thousands of files lays out at once
    connect(this, &QListWidget::itemClicked, this, [this] { Q_EMIT fileClicked(); });
}

void FileListBox::SetPath(const QString &folder)
{
    m_path = folder;
    Fill();
}

void FileListBox::SetPattern(const QString &pattern)
{
    m_pattern = pattern;
    Fill();
}

QString FileListBox::FileName() const
{
    const QListWidgetItem *item = currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

QStringList FileListBox::Names() const
{
    QStringList names;
    for (int i = 0; i < count(); ++i)
        names << item(i)->text();
    return names;
}

void FileListBox::keyPressEvent(QKeyEvent *event)
{
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() != before && currentRow() >= 0)
        Q_EMIT fileClicked();
}

void FileListBox::Fill()
{
    clear();
    if (!m_path.isEmpty())
        addItems(MatchingFiles(m_path, m_pattern));
}
