#include "logtools/LogView.h"

#include "formats/Cp1252.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>

#include <algorithm>
#include <cstring>

void LogLines::SetBytes(QByteArray bytes)
{
    beginResetModel();
    m_bytes = std::move(bytes);
    m_starts.clear();
    m_starts.push_back(0);
    m_longestRow = 0;
    const char *data = m_bytes.constData();
    const qsizetype size = m_bytes.size();
    qsizetype longest = 0;
    qsizetype start = 0;
    while (const void *found = std::memchr(data + start, '\n', size_t(size - start))) {
        const qsizetype end = static_cast<const char *>(found) - data;
        if (end - start > longest) {
            longest = end - start;
            m_longestRow = int(m_starts.size() - 1);
        }
        start = end + 1;
        m_starts.push_back(start);
    }
    if (size - start > longest)
        m_longestRow = int(m_starts.size() - 1);
    if (m_bytes.isEmpty())
        std::vector<qsizetype>().swap(m_starts); // an empty log shows no line at all; free the index
    else
        m_starts.shrink_to_fit();
    endResetModel();
}

QString LogLines::Line(int row) const
{
    const qsizetype start = m_starts[size_t(row)];
    qsizetype end = size_t(row) + 1 < m_starts.size() ? m_starts[size_t(row) + 1] - 1 : m_bytes.size();
    if (end > start && m_bytes[end - 1] == '\r')
        --end;
    return formats::FromCp1252(QByteArray::fromRawData(m_bytes.constData() + start, end - start));
}

QString LogLines::Text() const
{
    QByteArray text = m_bytes;
    text.replace("\r\n", "\n");
    return formats::FromCp1252(text);
}

int LogLines::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_starts.size());
}

QVariant LogLines::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::DisplayRole)
        return Line(index.row());
    if (role == Qt::SizeHintRole && m_rowSize.isValid())
        return m_rowSize;
    return {};
}

LogView::LogView(QWidget *parent) : QStackedWidget(parent)
{
    txtMessage = new QPlainTextEdit(this);
    txtMessage->setReadOnly(true);
    txtMessage->setUndoRedoEnabled(false);
    addWidget(txtMessage);

    m_lines = new LogLines(this);
    lstLines = new QListView(this);
    lstLines->setModel(m_lines);
    lstLines->setUniformItemSizes(true); // rows are never measured one by one
    lstLines->setTextElideMode(Qt::ElideNone);
    lstLines->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstLines->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstLines->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    lstLines->installEventFilter(this);
    addWidget(lstLines);
    setCurrentWidget(txtMessage);
}

void LogView::SetText(const QString &text)
{
    m_lines->Clear(); // a locked screen keeps no copy of the log
    txtMessage->setPlainText(text);
    setCurrentWidget(txtMessage);
}

void LogView::SetLog(QByteArray bytes)
{
    m_lines->SetRowSize(QSize());
    m_lines->SetBytes(std::move(bytes));
    // Every row is as wide as the widest line, so the view scrolls across to it.
    const QFontMetrics metrics(lstLines->font());
    const int width =
        m_lines->rowCount() ? metrics.horizontalAdvance(m_lines->Line(m_lines->LongestRow())) + 12 : 0;
    m_lines->SetRowSize(QSize(width, metrics.height() + 2));
    lstLines->reset();
    lstLines->scrollToTop();
    txtMessage->clear();
    setCurrentWidget(lstLines);
}

QString LogView::Text() const
{
    return ShowsLog() ? m_lines->Text() : txtMessage->toPlainText();
}

bool LogView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lstLines && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy)) {
        CopySelectedLines();
        return true;
    }
    return QStackedWidget::eventFilter(watched, event);
}

void LogView::CopySelectedLines()
{
    QModelIndexList selected = lstLines->selectionModel()->selectedIndexes();
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    QStringList lines;
    lines.reserve(selected.size());
    for (const QModelIndex &index : selected)
        lines << m_lines->Line(index.row());
    QApplication::clipboard()->setText(lines.join('\n'));
}
