#include "formats/RichText.h"

#include "formats/Cp1252.h"

#include <QColor>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <QHash>

#include <algorithm>
#include <cctype>
#include <limits>
#include <vector>

namespace formats {

namespace {

// Bounds that keep hostile input from costing memory or time: groups nested
// deeper share the state of the deepest kept one; sizes, fallback counts and
// the colour table are held to what real documents use.
constexpr size_t kMaxDepth = 1000;
constexpr size_t kMaxColours = 4096;
constexpr int kMaxHalfPoints = 800; // 400 pt
constexpr int kMaxUcSkip = 8;

struct GroupState {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = 24; // \fs: font size in half-points
    int colour = 0;      // \cf: index into the colour table, 0 = automatic
    int ucSkip = 1;      // \uc: fallback characters after \uN
    bool skip = false;   // inside a destination that shows no text
    bool colourTable = false;
    Qt::Alignment align = Qt::AlignLeft;
};

// Destinations whose content is never shown.
bool IsHiddenDestination(const QByteArray &word)
{
    static const char *const hidden[] = {"fonttbl",
                                         "stylesheet",
                                         "info",
                                         "pict",
                                         "object",
                                         "header",
                                         "footer",
                                         "headerl",
                                         "headerr",
                                         "footerl",
                                         "footerr",
                                         "footnote",
                                         "field",
                                         "fldinst",
                                         "listtable",
                                         "listoverridetable",
                                         "revtbl",
                                         "rsidtbl",
                                         "generator",
                                         "themedata",
                                         "colorschememapping",
                                         "datastore",
                                         "latentstyles",
                                         "xmlnstbl",
                                         "filetbl",
                                         "bkmkstart",
                                         "bkmkend",
                                         "nonshppict"};
    for (const char *name : hidden)
        if (word == name)
            return true;
    return false;
}

class RtfReader {
public:
    RtfReader(const QByteArray &rtf, QTextDocument *doc) : m_rtf(rtf), m_cursor(doc) {}

    void Run()
    {
        // One edit block: the document is laid out once at the end, not after
        // every insertion (which costs the square of the length).
        m_cursor.beginEditBlock();
        m_states.push_back(GroupState{});
        while (m_pos < m_rtf.size()) {
            const char c = m_rtf[m_pos];
            if (c == '{') {
                ++m_pos;
                Flush();
                if (m_states.size() >= kMaxDepth) {
                    ++m_excessDepth;
                    continue;
                }
                m_states.push_back(m_states.back());
                m_states.back().colourTable = false;
            } else if (c == '}') {
                ++m_pos;
                Flush();
                if (m_excessDepth > 0)
                    --m_excessDepth;
                else if (m_states.size() > 1)
                    m_states.pop_back();
            } else if (c == '\\') {
                ControlWord();
            } else if (c == '\r' || c == '\n') {
                ++m_pos;
            } else {
                Text(QByteArray(1, c));
                ++m_pos;
            }
        }
        Flush();
        m_cursor.endEditBlock();
    }

private:
    GroupState &State() { return m_states.back(); }

    void Text(const QByteArray &bytes)
    {
        if (State().colourTable) {
            for (char c : bytes)
                if (c == ';' && m_colours.size() < kMaxColours) {
                    m_colours.push_back(m_pendingColour);
                    m_pendingColour = QColor(0, 0, 0);
                }
            return;
        }
        if (State().skip)
            return;
        if (m_skipFallback > 0) {
            const int drop = int(qMin<qsizetype>(m_skipFallback, bytes.size()));
            m_skipFallback -= drop;
            m_pending += bytes.mid(drop);
            return;
        }
        m_pending += bytes;
    }

    void AppendText(const QString &text)
    {
        Flush();
        if (State().skip)
            return;
        m_cursor.insertText(text, Format());
    }

    QTextCharFormat Format() const
    {
        const GroupState &s = m_states.back();
        QTextCharFormat f;
        f.setFontWeight(s.bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(s.italic);
        f.setFontUnderline(s.underline);
        f.setFontPointSize(qMax(1, s.halfPoints) / 2.0);
        if (s.colour > 0 && s.colour < int(m_colours.size()) && m_colours[s.colour].isValid())
            f.setForeground(m_colours[s.colour]);
        return f;
    }

    void Flush()
    {
        if (m_pending.isEmpty())
            return;
        const QByteArray bytes = m_pending;
        m_pending.clear();
        m_cursor.insertText(FromCp1252(bytes), Format());
    }

    void Paragraph()
    {
        Flush();
        if (State().skip)
            return;
        QTextBlockFormat block;
        block.setAlignment(State().align);
        m_cursor.insertBlock(block);
    }

    void ControlWord()
    {
        ++m_pos; // the backslash
        if (m_pos >= m_rtf.size())
            return;
        const char c = m_rtf[m_pos];
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++m_pos;
            ControlSymbol(c);
            return;
        }
        const qsizetype start = m_pos;
        while (m_pos < m_rtf.size() && std::isalpha(static_cast<unsigned char>(m_rtf[m_pos])))
            ++m_pos;
        const QByteArray word = m_rtf.mid(start, m_pos - start);
        bool hasParam = false;
        int param = 0;
        const qsizetype numStart = m_pos;
        const bool negative = m_pos < m_rtf.size() && m_rtf[m_pos] == '-';
        if (negative)
            ++m_pos;
        long long value = 0; // saturates: a huge number reads as the largest int
        while (m_pos < m_rtf.size() && std::isdigit(static_cast<unsigned char>(m_rtf[m_pos]))) {
            value = qMin<long long>(value * 10 + (m_rtf[m_pos] - '0'), std::numeric_limits<int>::max());
            ++m_pos;
        }
        if (m_pos > numStart + (negative ? 1 : 0)) {
            hasParam = true;
            param = int(negative ? -value : value);
        } else {
            m_pos = numStart;
        }
        if (m_pos < m_rtf.size() && m_rtf[m_pos] == ' ')
            ++m_pos; // the delimiter belongs to the word
        if (word == "bin") {
            // Raw bytes follow; they are data, never text or control words.
            m_pos += std::clamp<qsizetype>(hasParam ? param : 0, 0, m_rtf.size() - m_pos);
            return;
        }
        Apply(word, hasParam, param);
    }

    void ControlSymbol(char c)
    {
        switch (c) {
        case '\'': {
            const QByteArray hex = m_rtf.mid(m_pos, 2);
            m_pos += hex.size();
            bool ok = false;
            const int value = hex.toInt(&ok, 16);
            if (ok)
                Text(QByteArray(1, char(value)));
            break;
        }
        case '\\':
        case '{':
        case '}':
            Text(QByteArray(1, c));
            break;
        case '~':
            AppendText(QString(QChar(0x00A0)));
            break;
        case '_':
            AppendText(QString(QChar(0x2011)));
            break;
        case '*':
            Flush();
            State().skip = true; // an ignorable destination
            break;
        case '\r':
        case '\n':
            Paragraph();
            break;
        default:
            break; // \- (optional hyphen) and unknown symbols show nothing
        }
    }

    void Apply(const QByteArray &word, bool hasParam, int param)
    {
        GroupState &s = State();
        const bool on = !hasParam || param != 0;
        if (IsHiddenDestination(word)) {
            Flush();
            s.skip = true;
        } else if (word == "colortbl") {
            Flush();
            s.colourTable = true;
            m_pendingColour = QColor(0, 0, 0);
        } else if (word == "red" && s.colourTable) {
            m_pendingColour.setRed(qBound(0, param, 255));
        } else if (word == "green" && s.colourTable) {
            m_pendingColour.setGreen(qBound(0, param, 255));
        } else if (word == "blue" && s.colourTable) {
            m_pendingColour.setBlue(qBound(0, param, 255));
        } else if (word == "par" || word == "sect" || word == "page") {
            Paragraph();
        } else if (word == "line") {
            AppendText(QString(QChar::LineSeparator));
        } else if (word == "tab") {
            AppendText("\t");
        } else if (word == "emdash" || word == "endash" || word == "bullet" || word == "lquote" ||
                   word == "rquote" || word == "ldblquote" || word == "rdblquote") {
            static const QHash<QByteArray, QChar> symbols{
                {"emdash", QChar(0x2014)},   {"endash", QChar(0x2013)}, {"bullet", QChar(0x2022)},
                {"lquote", QChar(0x2018)},   {"rquote", QChar(0x2019)}, {"ldblquote", QChar(0x201C)},
                {"rdblquote", QChar(0x201D)}};
            AppendText(QString(symbols.value(word)));
        } else if (word == "u" && hasParam) {
            const int code = qBound(-32768, param, 65535);
            AppendText(QString(QChar(char16_t(code < 0 ? code + 65536 : code))));
            m_skipFallback = s.ucSkip;
        } else if (word == "uc" && hasParam) {
            s.ucSkip = qBound(0, param, kMaxUcSkip);
        } else if (word == "b" || word == "i" || word == "ul" || word == "ulnone" || word == "fs" ||
                   word == "cf" || word == "plain") {
            Flush();
            if (word == "b")
                s.bold = on;
            else if (word == "i")
                s.italic = on;
            else if (word == "ul")
                s.underline = on;
            else if (word == "ulnone")
                s.underline = false;
            else if (word == "fs" && hasParam)
                s.halfPoints = qBound(1, param, kMaxHalfPoints);
            else if (word == "cf")
                s.colour = param;
            else if (word == "plain") {
                s.bold = s.italic = s.underline = false;
                s.halfPoints = 24;
                s.colour = 0;
            }
        } else if (word == "pard") {
            s.align = Qt::AlignLeft;
        } else if (word == "qc") {
            s.align = Qt::AlignHCenter;
        } else if (word == "qr") {
            s.align = Qt::AlignRight;
        } else if (word == "qj") {
            s.align = Qt::AlignJustify;
        }
        if (word == "qc" || word == "qr" || word == "qj" || word == "pard") {
            Flush();
            QTextBlockFormat block = m_cursor.blockFormat();
            block.setAlignment(s.align);
            m_cursor.setBlockFormat(block);
        }
    }

    const QByteArray &m_rtf;
    qsizetype m_pos = 0;
    QTextCursor m_cursor;
    std::vector<GroupState> m_states;
    std::vector<QColor> m_colours;
    QColor m_pendingColour{0, 0, 0};
    QByteArray m_pending;
    int m_skipFallback = 0;
    size_t m_excessDepth = 0;
};

} // namespace

bool IsRtf(const QByteArray &bytes)
{
    return bytes.trimmed().startsWith("{\\rtf");
}

QTextDocument *RtfToDocument(const QByteArray &rtf, QObject *parent)
{
    auto *doc = new QTextDocument(parent);
    doc->setUndoRedoEnabled(false);
    RtfReader(rtf, doc).Run();
    return doc;
}

} // namespace formats
