#include "edid/EdidFile.h"

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
} // namespace

DecodedFile decodeEdidFile(const QByteArray &contents)
{
    std::array<char, FileReadSize> buffer{};
    std::memcpy(buffer.data(), contents.constData(),
                std::min<std::size_t>(std::size_t(contents.size()), buffer.size()));
    auto at = [&](int p) { return p < FileReadSize ? buffer[std::size_t(p)] : '\0'; };

    DecodedFile out;
    if (buffer[0] == '\0') {
        out.binary = true;
        std::memcpy(out.table.data(), buffer.data(), out.table.size());
        return out;
    }

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
    return out;
}

LoadResult loadEdidFile(const QString &fileName)
{
    LoadResult out;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        out.errorString = file.errorString();
        return out;
    }
    const QByteArray contents = file.read(FileReadSize);
    // A read that fails is not an empty file.
    if (contents.isEmpty() && file.error() != QFileDevice::NoError) {
        out.errorString = file.errorString();
        return out;
    }
    out.ok = true;
    out.decoded = decodeEdidFile(contents);
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
