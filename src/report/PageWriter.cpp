// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
#include "report/PageWriter.h"

#include "core/AppInfo.h"
#include "core/AtomicFile.h"
#include "core/ErrorReport.h"
#include "core/FileNames.h"
#include "core/ListModel.h"
#include "core/MousePointer.h"
#include "core/RunningFlag.h"
#include "core/Settings.h"
#include "core/Ui.h"
#include "core/WriteAll.h"
#include "report/OutputFolder.h"

#include <QUrl>

#include <cerrno>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <fcntl.h>
#include <unistd.h>

namespace {

const QString kSaveLocation = QStringLiteral("in Palavine2021/08/31.Form1.PushButton7_Click ");
const QString kPageName = QStringLiteral("FileList.html");

// The page goes to the file in pieces of about this size.
constexpr qsizetype ChunkBytes = qsizetype(1) << 20;

constexpr char HexDigits[] = "0123456789ABCDEF";

// For each ASCII character: whether it stays as it is in a link target, and
// whether it stays as it is in the link text.
struct AsciiClasses {
    bool plainInTarget[128] = {};
    bool plainInText[128] = {};
};

constexpr AsciiClasses makeAsciiClasses() {
    AsciiClasses t;
    for (int c = 0; c < 128; ++c) {
        t.plainInTarget[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                             (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                             c == '~' || c == '/' || c == ':';
        t.plainInText[c] =
            c >= 0x20 && c != 0x7F && c != '&' && c != '<' && c != '>' && c != '"' && c != '\'';
    }
    return t;
}

constexpr AsciiClasses Ascii = makeAsciiClasses();

bool isEscapedByte(char16_t c) {
    return c >= 0xDC80 && c <= 0xDCFF;
}

char* putPercent(char* p, unsigned char c) {
    *p++ = '%';
    *p++ = HexDigits[c >> 4];
    *p++ = HexDigits[c & 0xF];
    return p;
}

char* putTargetByte(char* p, unsigned char c, bool backslashIsSeparator) {
    if (Ascii.plainInTarget[c]) {
        *p++ = char(c);
        return p;
    }
    if (backslashIsSeparator && c == '\\') {
        *p++ = '/';
        return p;
    }
    return putPercent(p, c);
}

char* putUtf8(char* p, char32_t code) {
    if (code < 0x80) {
        *p++ = char(code);
    } else if (code < 0x800) {
        *p++ = char(0xC0 | (code >> 6));
        *p++ = char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        *p++ = char(0xE0 | (code >> 12));
        *p++ = char(0x80 | ((code >> 6) & 0x3F));
        *p++ = char(0x80 | (code & 0x3F));
    } else {
        *p++ = char(0xF0 | (code >> 18));
        *p++ = char(0x80 | ((code >> 12) & 0x3F));
        *p++ = char(0x80 | ((code >> 6) & 0x3F));
        *p++ = char(0x80 | (code & 0x3F));
    }
    return p;
}

char* putLiteral(char* p, const char* text) {
    while (*text)
        *p++ = *text++;
    return p;
}

// Copies the run of characters that stay as they are, eight at a time, from
// s[i]; gives the index of the first character that needs more (or of the few
// last ones). The output has room for three bytes per character left.
#if defined(__SSE2__)
inline __m128i inRange(__m128i v, short low, short high) {
    return _mm_and_si128(_mm_cmpgt_epi16(v, _mm_set1_epi16(short(low - 1))),
                         _mm_cmplt_epi16(v, _mm_set1_epi16(short(high + 1))));
}

inline __m128i equals(__m128i v, char c) {
    return _mm_cmpeq_epi16(v, _mm_set1_epi16(c));
}

template <class Plain>
qsizetype copyPlainRun(const char16_t* s, qsizetype i, qsizetype n, char*& p, Plain plain) {
    while (i + 8 <= n) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const unsigned mask = unsigned(_mm_movemask_epi8(plain(v)));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(v, v));
        if (mask == 0xFFFF) {
            p += 8;
            i += 8;
            continue;
        }
        const int run = __builtin_ctz(~mask) / 2;
        p += run;
        return i + run;
    }
    return i;
}

qsizetype copyPlainTarget(const char16_t* s, qsizetype i, qsizetype n, char*& p) {
    return copyPlainRun(s, i, n, p, [](__m128i v) {
        __m128i m = _mm_or_si128(inRange(v, 0x2D, 0x3A), inRange(v, 'A', 'Z')); // -./0-9:
        m = _mm_or_si128(m, inRange(v, 'a', 'z'));
        return _mm_or_si128(m, _mm_or_si128(equals(v, '_'), equals(v, '~')));
    });
}

qsizetype copyPlainText(const char16_t* s, qsizetype i, qsizetype n, char*& p) {
    return copyPlainRun(s, i, n, p, [](__m128i v) {
        __m128i special = _mm_or_si128(equals(v, '&'), equals(v, '<'));
        special = _mm_or_si128(special, _mm_or_si128(equals(v, '>'), equals(v, '"')));
        special = _mm_or_si128(special, equals(v, '\''));
        return _mm_andnot_si128(special, inRange(v, 0x20, 0x7E));
    });
}
#else
qsizetype copyPlainTarget(const char16_t*, qsizetype i, qsizetype, char*&) {
    return i;
}
qsizetype copyPlainText(const char16_t*, qsizetype i, qsizetype, char*&) {
    return i;
}
#endif

// The link target's bytes after "file://". Each UTF-16 unit becomes at most
// three bytes of UTF-8 (a pair four), each byte at most three characters.
char* putTarget(char* p, QStringView entry, bool backslashIsSeparator) {
    const char16_t* s = entry.utf16();
    const qsizetype n = entry.size();
    for (qsizetype i = 0; i < n; ++i) {
        i = copyPlainTarget(s, i, n, p);
        if (i == n)
            break;
        const char16_t c = s[i];
        if (c < 0x80) {
            p = putTargetByte(p, (unsigned char)c, backslashIsSeparator);
            continue;
        }
        char32_t code = c;
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
            code = QChar::surrogateToUcs4(c, s[i + 1]);
            ++i;
        } else if (isEscapedByte(c)) {
            p = putPercent(p, (unsigned char)(c - 0xDC00));
            continue;
        } else if (QChar::isSurrogate(c)) {
            code = 0xFFFD; // not a name's byte: cannot name a file anyway
        }
        char utf8[4];
        const char* end = putUtf8(utf8, code);
        for (const char* b = utf8; b < end; ++b)
            p = putPercent(p, (unsigned char)*b);
    }
    return p;
}

// Shown as U+FFFD in the link text: C1 controls (a reference such as &#133;
// would stand for a Windows-1252 character instead) and the characters that
// make a browser reorder what follows them (bidirectional embeddings,
// overrides, isolates and marks), so that a name can't pass for another.
bool reordersOrHides(char16_t c) {
    return (c >= 0x80 && c < 0xA0) || c == 0x061C || c == 0x200E || c == 0x200F ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

// The link text: valid UTF-8, nothing in it markup. Each UTF-16 unit becomes
// at most six bytes (a reference such as &quot; or &#127;).
char* putText(char* p, QStringView entry) {
    const char16_t* s = entry.utf16();
    const qsizetype n = entry.size();
    for (qsizetype i = 0; i < n; ++i) {
        i = copyPlainText(s, i, n, p);
        if (i == n)
            break;
        const char16_t c = s[i];
        if (c < 0x80 && Ascii.plainInText[c]) {
            *p++ = char(c);
            continue;
        }
        if (c < 0x80) {
            switch (c) {
            case '&':
                p = putLiteral(p, "&amp;");
                break;
            case '<':
                p = putLiteral(p, "&lt;");
                break;
            case '>':
                p = putLiteral(p, "&gt;");
                break;
            case '"':
                p = putLiteral(p, "&quot;");
                break;
            case '\'':
                p = putLiteral(p, "&#39;");
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    // Keeps one line per entry and shows the character's place.
                    *p++ = '&';
                    *p++ = '#';
                    if (c >= 100)
                        *p++ = char('0' + c / 100);
                    if (c >= 10)
                        *p++ = char('0' + (c / 10) % 10);
                    *p++ = char('0' + c % 10);
                    *p++ = ';';
                } else {
                    *p++ = char(c);
                }
            }
            continue;
        }
        char32_t code = c;
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
            code = QChar::surrogateToUcs4(c, s[i + 1]);
            ++i;
        } else if (QChar::isSurrogate(c) || reordersOrHides(c)) {
            code = 0xFFFD;
        }
        p = putUtf8(p, code);
    }
    return p;
}

} // namespace

void WriteTextFile(const QString& text, const QString& path, int mode) {
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (mode < 2 ? O_TRUNC : O_APPEND);
    const int fd = ::open(EncodeFileName(path).constData(), flags, 0666);
    if (fd < 0)
        throw AppError::fromErrno(errno);
    const QByteArray bytes = text.toUtf8();
    if (!WriteAll(fd, bytes.constData(), bytes.size())) {
        const int error = errno;
        ::close(fd);
        throw AppError::fromErrno(error);
    }
    if (::close(fd) != 0)
        throw AppError::fromErrno(errno);
}

QString PageFontName(const QString& stored) {
    QString name;
    name.reserve(stored.size());
    for (const QChar c : stored) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0) || c.isSurrogate())
            continue;
        switch (u) {
        case ';':
        case '{':
        case '}':
        case '<':
        case '>':
        case '\\':
        case '"':
        case '\'':
        case '/':
        case '*':
            continue;
        default:
            name.append(c);
        }
    }
    return name;
}

QByteArray PageHead(const PageStyle& style) {
    const QString font = PageFontName(style.fontName);
    const QString bg = ColorToHtml(style.backgroundColour);
    const QString fg = ColorToHtml(style.textColour);
    const QStringList lines = {
        QStringLiteral("<html>"),
        QStringLiteral("<head>"),
        QStringLiteral("<meta http-equiv=\"Content-Type\""),
        QStringLiteral("content=\"text/html; charset=utf-8\">"),
        QStringLiteral("<meta name=\"GENERATOR\" content=\"Palavine\">"),
        QStringLiteral("<title> List of files </title>"),
        QStringLiteral("<style>"),
        QStringLiteral("/* Main Selectors */"),
        QStringLiteral("body {"),
        QStringLiteral("background-color: ") + bg + QLatin1Char(';'),
        QStringLiteral("font-family: ") + font + QLatin1Char(';'),
        QStringLiteral("color:") + fg + QLatin1Char(';'),
        QStringLiteral("}"),
        QString(),
        QStringLiteral("a, a:visited {"),
        QStringLiteral("background-color: transparent;"),
        QStringLiteral("font-family: ") + font + QLatin1Char(';'),
        QStringLiteral("color: #808000;"),
        QStringLiteral("}"),
        QString(),
        QStringLiteral("a:hover {"),
        QStringLiteral("background-color: transparent;"),
        QStringLiteral("font-family: ") + font + QLatin1Char(';'),
        QStringLiteral("color:") + fg + QLatin1Char(';'),
        QStringLiteral("}"),
        QStringLiteral("/* Header */"),
        QStringLiteral("div#header h1 {"),
        QStringLiteral("font-family: ") + font + QLatin1Char(';'),
        QStringLiteral("text-align: center;"),
        QStringLiteral("background-color: transparent;"),
        QStringLiteral("color:") + fg + QLatin1Char(';'),
        QStringLiteral("}"),
        QStringLiteral("</style>"),
        QStringLiteral("</head>"),
        QStringLiteral("<body>"),
        QStringLiteral("<div id='header'>"),
        QStringLiteral("<h1> List of files</h1>"),
        QStringLiteral("</div>"),
        QStringLiteral("<p class='description'> List of files</p>"),
        QStringLiteral("<p class='description'>&nbsp;</p>"),
        QStringLiteral("<div id='index'>"),
    };
    QString head;
    for (const QString& line : lines)
        head += line + QStringLiteral("\r\n");
    return head.toUtf8();
}

QByteArray PageTail() {
    return QByteArrayLiteral("<br></div>\r\n</body>\r\n</html>");
}

void AppendPageEntryLine(QByteArray& out, const QString& entry, PathStyle pathStyle) {
    static constexpr char Open[] = "<a href='file://";
    static constexpr char Middle[] = "'>";
    static constexpr char Close[] = "</a><br>\r\n";
    const qsizetype n = entry.size();
    const qsizetype most =
        qsizetype(sizeof Open) + 9 * n + qsizetype(sizeof Middle) + 6 * n + qsizetype(sizeof Close);
    const qsizetype start = out.size();
    out.resize(start + most);
    char* begin = out.data() + start;
    char* p = putLiteral(begin, Open);
    p = putTarget(p, entry, pathStyle == PathStyle::Windows);
    p = putLiteral(p, Middle);
    p = putText(p, entry);
    p = putLiteral(p, Close);
    out.resize(start + (p - begin));
}

QString RelativeLinkPath(const QString& entry, const QString& folder) {
    const QStringList from = folder.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QStringList to = entry.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    qsizetype common = 0;
    while (common < from.size() && common + 1 < to.size() && from[common] == to[common])
        ++common;
    QStringList parts;
    for (qsizetype i = common; i < from.size(); ++i)
        parts << QStringLiteral("..");
    parts += to.mid(common);
    QString path = parts.join(QLatin1Char('/'));
    // A first part holding ":" would read as the scheme of an address.
    if (!parts.isEmpty() && parts.first().contains(QLatin1Char(':')))
        path.prepend(QStringLiteral("./"));
    return path;
}

void AppendRelativeEntryLine(QByteArray& out, const QString& entry, const QString& folder) {
    const QString target = RelativeLinkPath(entry, folder);
    const qsizetype start = out.size();
    out.resize(start + 16 + 9 * target.size() + 6 * entry.size());
    char* begin = out.data() + start;
    char* p = putLiteral(begin, "<a href='");
    p = putTarget(p, target, false);
    p = putLiteral(p, "'>");
    p = putText(p, entry);
    p = putLiteral(p, "</a><br>\r\n");
    out.resize(start + (p - begin));
}

QByteArray PageLinkTarget(const QString& entry, PathStyle pathStyle) {
    QByteArray out(7 + 9 * entry.size(), Qt::Uninitialized);
    char* p = putLiteral(out.data(), "file://");
    p = putTarget(p, entry, pathStyle == PathStyle::Windows);
    out.resize(p - out.constData());
    return out;
}

QString PageLinkText(const QString& entry) {
    QByteArray out(6 * entry.size(), Qt::Uninitialized);
    char* p = putText(out.data(), entry);
    out.resize(p - out.constData());
    return QString::fromUtf8(out);
}

PageBody::PageBody(QByteArray& out, const PageStyle& style, PathStyle pathStyle)
    : out_(out), pathStyle_(pathStyle) {
    out_ += PageHead(style);
}

namespace {

// Whether a link text, as putText writes it, shows a control character: the
// only character references it writes but &#39; (') are those of controls.
// A line of text of its own could hold a line break then.
bool showsControl(const char* text, const char* end) {
    for (const char* p = text; (p = static_cast<const char*>(std::memchr(p, '&', size_t(end - p))));
         ++p) {
        if (end - p > 2 && p[1] == '#' &&
            !(end - p > 4 && p[2] == '3' && p[3] == '9' && p[4] == ';'))
            return true;
    }
    return false;
}

// Turns the late blocks after the first into links (see PageBody).
constexpr char LinkingScript[] =
    "<script>\r\n"
    "(function () {\r\n"
    "  var blocks = document.querySelectorAll('#index > pre'), next = 0;\r\n"
    "  // A place in a block's text as the characters before it, and back: the\r\n"
    "  // links hold the same text, so a selection (what was found) stays put.\r\n"
    "  function offset(block, node, at) {\r\n"
    "    var walk = document.createTreeWalker(block, NodeFilter.SHOW_TEXT), n = 0, text;\r\n"
    "    while ((text = walk.nextNode())) {\r\n"
    "      if (text === node) return n + at;\r\n"
    "      n += text.data.length;\r\n"
    "    }\r\n"
    "    return -1;\r\n"
    "  }\r\n"
    "  function place(block, n) {\r\n"
    "    var walk = document.createTreeWalker(block, NodeFilter.SHOW_TEXT), text;\r\n"
    "    while ((text = walk.nextNode())) {\r\n"
    "      if (n <= text.data.length) return [text, n];\r\n"
    "      n -= text.data.length;\r\n"
    "    }\r\n"
    "    return null;\r\n"
    "  }\r\n"
    "  function link(block) {\r\n"
    "    var targets = block.firstChild;\r\n"
    "    if (!targets || targets.nodeType !== 8) return;\r\n"
    "    targets = targets.data.split('\\n');\r\n"
    "    var chosen = window.getSelection(), start = -1, end = -1;\r\n"
    "    if (chosen.rangeCount) {\r\n"
    "      var range = chosen.getRangeAt(0);\r\n"
    "      start = offset(block, range.startContainer, range.startOffset);\r\n"
    "      end = offset(block, range.endContainer, range.endOffset);\r\n"
    "    }\r\n"
    "    var texts = block.textContent.split('\\n'), lines = document.createDocumentFragment();\r\n"
    "    for (var i = 0; i + 1 < texts.length; ++i) {\r\n"
    "      var a = document.createElement('a');\r\n"
    "      a.setAttribute('href', targets[i + 1]);\r\n"
    "      a.textContent = texts[i];\r\n"
    "      lines.appendChild(a);\r\n"
    "      lines.appendChild(document.createElement('br'));\r\n"
    "      lines.appendChild(document.createTextNode('\\n'));\r\n"
    "    }\r\n"
    "    block.textContent = '';\r\n"
    "    block.style.whiteSpace = 'normal';\r\n"
    "    block.style.color = block.style.textDecoration = '';\r\n"
    "    block.appendChild(lines);\r\n"
    "    if (start >= 0 && end >= 0) {\r\n"
    "      var from = place(block, start), to = place(block, end);\r\n"
    "      if (from && to) chosen.setBaseAndExtent(from[0], from[1], to[0], to[1]);\r\n"
    "    }\r\n"
    "  }\r\n"
    "  if (window.IntersectionObserver) {\r\n"
    "    var near = new IntersectionObserver(function (seen) {\r\n"
    "      for (var i = 0; i < seen.length; ++i) {\r\n"
    "        if (seen[i].isIntersecting) {\r\n"
    "          near.unobserve(seen[i].target);\r\n"
    "          link(seen[i].target);\r\n"
    "        }\r\n"
    "      }\r\n"
    "    }, { rootMargin: '100% 0px' });\r\n"
    "    for (var i = 0; i < blocks.length; ++i) near.observe(blocks[i]);\r\n"
    "  }\r\n"
    "  var later = window.requestIdleCallback || function (f) { setTimeout(f, 20); };\r\n"
    "  later(function rest(idle) {\r\n"
    "    do link(blocks[next++]); while (next < blocks.length && idle && idle.timeRemaining() > "
    "5);\r\n"
    "    if (next < blocks.length) later(rest);\r\n"
    "  });\r\n"
    "})();\r\n"
    "</script>\r\n";

// The next line of `lines` from `at` (each ends with a line end), without its end.
QByteArrayView nextLine(const QByteArray& lines, qsizetype& at) {
    const qsizetype end = lines.indexOf('\r', at);
    const QByteArrayView line(lines.constData() + at, end - at);
    at = end + 2;
    return line;
}

} // namespace

void PageBody::add(const QString& entry) {
    if (count_ == BlockEntries) {
        // One more than 1,000: the page is in blocks.
        out_ += staged_;
        staged_ = QByteArray();
        held_ = QByteArray();
    }
    ++count_;
    if (count_ <= BlockEntries)
        appendLine(held_, entry);
    // An entry that fits a window of usual width on one line may go in a late
    // block: its text, and its link target, each as its link line has them.
    if (entry.size() < WideEntry) {
        const qsizetype textsAt = runTexts_.size();
        runTexts_.resize(textsAt + 2 + 6 * entry.size());
        char* p = putText(runTexts_.data() + textsAt, entry);
        if (!showsControl(runTexts_.constData() + textsAt, p)) {
            p = putLiteral(p, "\r\n");
            runTexts_.resize(p - runTexts_.constData());
            const bool relative = !linkFolder_.isEmpty();
            const QString target = relative ? RelativeLinkPath(entry, linkFolder_) : QString();
            const QString& targetPath = relative ? target : entry;
            const qsizetype targetsAt = runTargets_.size();
            runTargets_.resize(targetsAt + 9 + 9 * targetPath.size());
            p = runTargets_.data() + targetsAt;
            if (!relative)
                p = putLiteral(p, "file://");
            p = putTarget(p, targetPath, !relative && pathStyle_ == PathStyle::Windows);
            p = putLiteral(p, "\r\n");
            runTargets_.resize(p - runTargets_.constData());
            if (++runCount_ == BlockEntries) {
                emitPlain();
                emitLate();
            }
            return;
        }
        runTexts_.resize(textsAt);
    }
    settleRun(false);
    appendLine(plain_, entry);
    if (++plainCount_ == BlockEntries)
        emitPlain();
}

void PageBody::appendLine(QByteArray& out, const QString& entry) const {
    if (linkFolder_.isEmpty())
        AppendPageEntryLine(out, entry, pathStyle_);
    else
        AppendRelativeEntryLine(out, entry, linkFolder_);
}

// The run's entries as link lines, the same bytes appendLine gives.
void PageBody::appendRunLines(QByteArray& out) const {
    out.reserve(out.size() + runTargets_.size() + runTexts_.size() + 22 * qsizetype(runCount_));
    qsizetype target = 0, text = 0;
    for (int i = 0; i < runCount_; ++i) {
        out += "<a href='";
        out += nextLine(runTargets_, target);
        out += "'>";
        out += nextLine(runTexts_, text);
        out += "</a><br>\r\n";
    }
}

void PageBody::finish() {
    if (count_ <= BlockEntries) {
        out_ += held_;
        out_ += PageTail();
    } else {
        settleRun(true);
        emitPlain();
        // The tail, with the script that makes the links of the text blocks.
        out_ += "<br></div>\r\n";
        if (lateBlocks_ > 1)
            out_ += LinkingScript;
        out_ += "</body>\r\n</html>";
    }
    held_ = staged_ = plain_ = runTargets_ = runTexts_ = QByteArray();
}

// The run of short entries before a wide one (or at the end) makes a block of
// its own when it is long enough, else it joins the plain block.
void PageBody::settleRun(bool last) {
    if (runCount_ == 0)
        return;
    if (runCount_ >= LateRun || (last && plainCount_ == 0)) {
        emitPlain();
        emitLate();
        return;
    }
    if (plainCount_ + runCount_ >= BlockEntries)
        emitPlain();
    appendRunLines(plain_);
    plainCount_ += runCount_;
    runTargets_.resize(0);
    runTexts_.resize(0);
    runCount_ = 0;
}

void PageBody::emitPlain() {
    if (plainCount_ == 0)
        return;
    QByteArray& out = sink();
    out += "<div>\r\n";
    out += plain_;
    out += "</div>\r\n";
    plain_.resize(0);
    plainCount_ = 0;
}

// A block that the browser lays out only when it comes into view: meanwhile it
// counts as high as its lines (one line height each, as every entry shorter
// than WideEntry takes in a window of usual width), and when shown it paints
// a line wider than the window instead of cutting it off. The first holds its
// links; the later ones their texts, drawn in the links' colour and
// underline, line for line, with the targets in a comment before them.
void PageBody::emitLate() {
    if (runCount_ == 0)
        return;
    QByteArray& out = sink();
    const QByteArray lines = QByteArray::number(runCount_);
    if (lateBlocks_++ == 0) {
        out += "<div style='content-visibility:auto;contain-intrinsic-size:auto ";
        out += lines;
        out += "lh;overflow-clip-margin:200em'>\r\n";
        appendRunLines(out);
        out += "</div>\r\n";
    } else {
        out += "<pre style='content-visibility:auto;contain-intrinsic-size:auto ";
        out += lines;
        out += "lh;overflow-clip-margin:200em;margin:0;font:inherit;white-space:pre-line;"
               "color:#808000;text-decoration:underline'><!--\r\n";
        out += runTargets_;
        out += "-->";
        out += runTexts_;
        out += "</pre>\r\n";
    }
    runTargets_.resize(0);
    runTexts_.resize(0);
    runCount_ = 0;
}

QByteArray BuildPage(const PageStyle& style, const QStringList& entries) {
    QByteArray page;
    PageBody body(page, style);
    for (const QString& entry : entries)
        body.add(entry);
    body.finish();
    return page;
}

QUrl PageUrl(const QString& page) {
    // A browser is started elsewhere: it gets the whole path.
    const QString here = CurrentFolder();
    const QString path = page.startsWith(Separator()) ? page
                         : EndsWithSeparator(here)    ? here + page
                                                      : here + Separator() + page;
    return HasEscapedBytes(path) ? QUrl::fromEncoded(PageLinkTarget(path))
                                 : QUrl::fromLocalFile(path);
}

QString PagePath(const QString& outputFolder) {
    return outputFolder + Separator() + kPageName;
}

void SaveResultsAsHtml(Ui& ui, MousePointer& pointer, ListModel& results,
                       const QString& outputFolder, qint32 textColour, qint32 backgroundColour,
                       const std::function<bool()>& openAfter, bool& saving) {
    if (saving)
        return;
    const RunningFlag running(saving);
    ErrorTrap trap(ui, kSaveLocation);
    const QString folder = OutputFolderPath(outputFolder);

    bool folderExists = true;
    trap.at(100, [&] {
        folderExists = IsFolder(folder);
        if (!folderExists)
            ui.message(QStringLiteral("Folder does not exist. Please select another folder."));
    });
    if (!folderExists)
        return;

    bool hasEntries = true;
    trap.at(102, [&] {
        hasEntries = results.Count() > 0;
        if (!hasEntries)
            ui.message(QStringLiteral("No list of files created."));
    });
    if (!hasEntries)
        return;

    QString path;
    trap.at(104, [&] { path = PagePath(folder); });

    PageStyle style{QString(), textColour, backgroundColour};
    // The font as chosen while the window is open, also when the store could
    // not keep it.
    trap.at(106,
            [&] { style.fontName = GetChosenOption(Option::FontName, Option::DefaultFontName); });

    // The page is complete only when the page file is committed; until then
    // any earlier page stays as it was.
    bool complete = false;
    trap.at(108, [&] {
        AtomicFile file(path);
        QByteArray buffer;
        buffer.reserve(ChunkBytes + (qsizetype(512) << 10));
        PageBody body(buffer, style);

        // The entries as they are now: a change of the list while this
        // command yields can't tear the page.
        const ListPass entries(results);
        for (qsizetype i = 0; i < entries.size(); ++i) {
            ui.yield();
            body.add(entries.at(i));
            if (buffer.size() >= ChunkBytes) {
                file.write(buffer);
                buffer.resize(0);
            }
        }
        body.finish();
        file.write(buffer);
        file.commit();
        complete = true;
    });
    trap.at(110, [&] { pointer.set(MousePointer::Default); });

    trap.at(112, [&] {
        if (!complete) {
            ui.message(QStringLiteral("File not created. Please email screenshot of this to ") +
                       AppInfo::SupportEmail);
            return;
        }
        ui.message(QStringLiteral("Done."));
    });
    // The box is read when the page is done: a change made while it was
    // written counts.
    if (complete && openAfter()) {
        trap.at(114, [&] { ui.openUrl(PageUrl(path)); });
    }
}
