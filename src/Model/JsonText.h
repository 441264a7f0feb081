#pragma once

#include <QString>
#include <string>

// The bytes of JSON text as WorkspaceRecordReader reads them: UTF-8
// sequences, runs of string bytes that need no attention, byte-order marks.
// Internal to the reader. The two scanners below are called, not inlined:
// inlined, they make JsonStream::readString too large to inline into the
// value reader, which reads records measurably slower.
namespace WorkspaceRecordReader::detail {

// A string as read: its bytes when it holds no escape, else its text is in
// the stream's scratch string until the next string is read.
struct StringToken {
    const char* begin = nullptr;
    qsizetype size = 0;
    bool escaped = false;
    bool ascii = true;
    qsizetype units = 0; // of its text in UTF-16, when it holds no escape
};

// Length of the well-formed UTF-8 sequence at p whose lead byte is not ASCII
// (overlong forms, surrogates and code points past U+10FFFF are not), or 0.
int utf8Sequence(const uchar* p, const uchar* end, char32_t* codePoint);

inline constexpr qsizetype kMarkSize = 3;

// Where the run of string bytes that need no attention ends: the first quote,
// backslash or byte beyond ASCII, or the end. Many bytes at a time, since a
// stored text may be megabytes long.
const char* endOfPlainText(const char* p, const char* end);

inline bool startsWithMark(const char* p, qsizetype size)
{
    return size >= kMarkSize && uchar(p[0]) == 0xef && uchar(p[1]) == 0xbb && uchar(p[2]) == 0xbf;
}

// Valid UTF-8 as text, every character kept: QString::fromUtf8 would drop a
// leading byte-order mark.
QString utf8Text(const char* p, qsizetype size);

QString textOf(const StringToken& token);

// Key text as bytes that are equal exactly when the texts are: UTF-8, with a
// lone surrogate (only an escape makes one) written as a sequence of its own.
std::string keyBytes(const QString& text);

} // namespace WorkspaceRecordReader::detail
