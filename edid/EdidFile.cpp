#include "edid/EdidFile.h"

#include "edid/EdidText.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <array>
#include <cstring>

namespace edid
{
namespace
{
constexpr int LineEndColumn = 48; // 16 groups of "XX " end here
constexpr int ExtensionCountIndex = 126;

// A binary table: its size decides, as nothing else in the file can.
DecodedFile binaryTable(const QByteArray &contents, LongerTable longer)
{
    DecodedFile out;
    out.binary = true;
    const qsizetype size = contents.size();
    const bool whole = size == BlockSize || size == TableSize;
    const bool truncated =
        longer == LongerTable::Truncate && size > TableSize && size % BlockSize == 0;
    if (size > MaxTableFileSize) {
        out.problem = QStringLiteral("the file has more than %1 bytes, more than any EDID table")
                          .arg(MaxTableFileSize);
        return out;
    }
    if (!whole && !truncated) {
        out.problem = longer == LongerTable::Truncate
                          ? QStringLiteral("the file has %1 bytes, not whole 128-byte blocks")
                          : QStringLiteral("the file has %1 bytes; an EDID table has 128 or 256");
        out.problem = out.problem.arg(size);
        return out;
    }
    std::memcpy(out.table.data(), contents.constData(),
                std::min<std::size_t>(std::size_t(size), out.table.size()));
    if (truncated) {
        out.table[ExtensionCountIndex] = 1;
        out.table[std::size_t(checksumIndex(0))] = edidChecksum(out.table.data());
    }
    return out;
}

} // namespace

DecodedFile decodeEdidFile(const QByteArray &contents, LongerTable longer)
{
    if (contents.isEmpty()) {
        DecodedFile out;
        out.problem = QStringLiteral("the file is empty");
        return out;
    }
    // A well-formed EDID starts with 0x00; a hex text cannot.
    if (contents[0] == '\0')
        return binaryTable(contents, longer);

    std::array<char, FileReadSize> buffer{};
    std::memcpy(buffer.data(), contents.constData(),
                std::min<std::size_t>(std::size_t(contents.size()), buffer.size()));
    auto at = [&](int p) { return p < FileReadSize ? buffer[std::size_t(p)] : '\0'; };

    DecodedFile out;
    QByteArray text;
    text.reserve(FileReadSize);
    int column = 0;
    for (int p = 0; p < FileReadSize;) {
        ++column;
        const bool lineEnd = column == LineEndColumn && at(p) == ' ';
        if (lineEnd && at(p + 1) == '\r' && at(p + 2) == '\n') {
            text += '\n';
            column = 0;
            p += 3;
        } else if (lineEnd && at(p + 1) == '\n') {
            text += '\n';
            column = 0;
            p += 2;
        } else {
            text += at(p);
            ++p;
        }
    }
    const int end = int(text.indexOf('\0'));
    out.text = QString::fromLatin1(end < 0 ? text : text.left(end));
    // Only whole pairs making 128 or 256 bytes load: a short or broken text is never padded.
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    const auto rest = contents.begin() + std::min<qsizetype>(contents.size(), FileReadSize);
    out.problem = std::all_of(rest, contents.end(), blank)
                      ? parseEdidText(out.text).problem
                      : QStringLiteral("the text goes on past its first %1 bytes").arg(FileReadSize);
    return out;
}

LoadResult loadEdidFile(const QString &fileName, LongerTable longer)
{
    LoadResult out;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        out.errorString = file.errorString();
        return out;
    }
    // One byte more than the longest table, to tell a longer file.
    const QByteArray contents = file.read(MaxTableFileSize + 1);
    // A read that fails is not an empty file.
    if (contents.isEmpty() && file.error() != QFileDevice::NoError) {
        out.errorString = file.errorString();
        return out;
    }
    out.ok = true;
    out.decoded = decodeEdidFile(contents, longer);
    return out;
}

FileResult saveEdidFile(const QString &fileName, const Table &table,
                        const std::function<void()> &opened)
{
    FileResult out;
    QSaveFile file(fileName);
    // Unbuffered, so that a short write shows here: a buffered one can be lost at commit.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        out.errorString = file.errorString();
        return out;
    }
    if (opened)
        opened();
    const char *data = reinterpret_cast<const char *>(table.data());
    const qint64 size = qint64(table.size());
    for (qint64 written = 0; written < size;) {
        const qint64 n = file.write(data + written, size - written);
        if (n <= 0) {
            out.errorString = file.errorString();
            file.cancelWriting();
            return out;
        }
        written += n;
    }
    if (!file.commit()) {
        out.errorString = file.errorString();
        return out;
    }
    out.ok = true;
    return out;
}

} // namespace edid
