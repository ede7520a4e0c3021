#pragma once
// The Log Viewer's log view. A log of 20 MB must come up at once, so the log
// is not laid out as a document: its bytes are kept as they are, indexed by
// line, and only the lines on the screen are decoded (Windows-1252) and
// drawn. Short texts ("[Empty]", the lock notice) show word-wrapped instead.
// Everything is read-only; Ctrl+A and Ctrl+C select and copy whole lines.

#include <QAbstractListModel>
#include <QByteArray>
#include <QFontMetricsF>
#include <QListView>
#include <QPlainTextEdit>
#include <QStackedWidget>

#include <vector>

// The log's lines: a line ends at LF, and a CR before it is not shown. The
// text after the last LF is one more line (empty when the file ends in LF),
// as a text box shows it.
class LogLines : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    void SetBytes(QByteArray bytes);
    void Clear() { SetBytes({}); }
    QString Line(int row) const;
    // The lines joined by LF.
    QString Text() const;
    // The width of the widest line in the font of the metrics: each
    // character's advance summed, so one pass over the bytes measures a log
    // of any size (a short line of wide letters can outrun a longer one of
    // narrow letters).
    qreal WidestLine(const QFontMetricsF &metrics) const;
    // The size every row is drawn at.
    void SetRowSize(QSize size) { m_rowSize = size; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    QByteArray m_bytes;
    std::vector<qsizetype> m_starts; // byte offset of each line
    QSize m_rowSize;
};

class LogView : public QStackedWidget {
    Q_OBJECT
public:
    explicit LogView(QWidget *parent = nullptr);

    // Shows a short text, word-wrapped; the log is dropped from memory.
    void SetText(const QString &text);
    // Shows the log file's bytes, one row per line, from the top. Every row
    // is as wide as the widest line, so the view scrolls across to it.
    void SetLog(QByteArray bytes);
    // How wide the view must be to show each of these lines whole, in the
    // font it shows the log in.
    static int WidthShowing(const QStringList &lines);
    // What the view shows, as plain text (lines joined by LF).
    QString Text() const;
    bool ShowsLog() const { return currentWidget() == lstLines; }
    int LineCount() const { return ShowsLog() ? m_lines->rowCount() : 0; }

    QPlainTextEdit *txtMessage;
    QListView *lstLines;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CopySelectedLines();

    LogLines *m_lines;
};
