#include "intruderlog/LogView.h"

#include "formats/Cp1252.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>

#include <QStyle>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

void LogLines::SetBytes(QByteArray bytes)
{
    beginResetModel();
    m_bytes = std::move(bytes);
    m_starts.clear();
    m_starts.push_back(0);
    const char *data = m_bytes.constData();
    const qsizetype size = m_bytes.size();
    qsizetype start = 0;
    while (const void *found = std::memchr(data + start, '\n', size_t(size - start))) {
        start = static_cast<const char *>(found) - data + 1;
        m_starts.push_back(start);
    }
    if (m_bytes.isEmpty())
        std::vector<qsizetype>().swap(m_starts); // an empty log shows no line at all; free the index
    else
        m_starts.shrink_to_fit();
    endResetModel();
}

qreal LogLines::WidestLine(const QFontMetricsF &metrics) const
{
    // The advance of every byte as the log's code page decodes it.
    std::array<qreal, 256> advance{};
    for (int byte = 0; byte < 256; ++byte) {
        const QString shown = formats::FromCp1252(QByteArray(1, char(byte)));
        advance[size_t(byte)] = shown.isEmpty() ? 0 : metrics.horizontalAdvance(shown);
    }
    advance['\r'] = advance['\n'] = 0; // line ends are not shown
    qreal widest = 0;
    qreal line = 0;
    for (const char byte : m_bytes) {
        if (byte == '\n') {
            widest = std::max(widest, line);
            line = 0;
        } else {
            line += advance[static_cast<unsigned char>(byte)];
        }
    }
    return std::max(widest, line);
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

namespace {

// Room a row leaves around its text.
constexpr int kRowPadding = 12;

} // namespace

void LogView::SetLog(QByteArray bytes)
{
    m_lines->SetRowSize(QSize());
    m_lines->SetBytes(std::move(bytes));
    const QFontMetricsF metrics(lstLines->font());
    const int width = m_lines->rowCount() ? int(std::ceil(m_lines->WidestLine(metrics))) + kRowPadding : 0;
    m_lines->SetRowSize(QSize(width, int(std::ceil(metrics.height())) + 2));
    lstLines->reset();
    lstLines->scrollToTop();
    txtMessage->clear();
    setCurrentWidget(lstLines);
}

int LogView::WidthShowing(const QStringList &lines)
{
    const QFontMetricsF metrics(QApplication::font("QListView"));
    qreal widest = 0;
    for (const QString &line : lines)
        widest = std::max(widest, metrics.horizontalAdvance(line));
    const QStyle *style = QApplication::style();
    return int(std::ceil(widest)) + kRowPadding + style->pixelMetric(QStyle::PM_ScrollBarExtent) +
           2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth) + 2;
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
