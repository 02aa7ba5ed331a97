#include "textbox/chunkedtext.h"

#include "common/hexdigits.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr qsizetype tripletSize = 3; // "HH "

bool fitsLatin1(QStringView text)
{
    char16_t all = 0;
    for (const QChar c : text)
        all |= c.unicode();
    return all < 0x100;
}

// text, every character of which is below U+0100, one byte each.
void writeNarrow(char *out, QStringView text)
{
    for (const QChar c : text)
        *out++ = char(c.unicode());
}

} // namespace

qsizetype ChunkedText::Chunk::size() const
{
    switch (form) {
    case Form::Narrow:
        return narrow.size();
    case Form::Wide:
        return wide.size();
    case Form::SpelledBytes:
        return bytes.size() * tripletSize;
    }
    return 0;
}

QChar ChunkedText::Chunk::at(qsizetype index) const
{
    switch (form) {
    case Form::Narrow:
        return QChar(uchar(narrow.at(index)));
    case Form::Wide:
        return wide.at(index);
    case Form::SpelledBytes: {
        const uchar byte = uchar(bytes.at(index / tripletSize));
        switch (index % tripletSize) {
        case 0:
            return QChar(hexdigits::upper[byte >> 4]);
        case 1:
            return QChar(hexdigits::upper[byte & 0xF]);
        default:
            return QChar(u' ');
        }
    }
    }
    return QChar();
}

qsizetype ChunkedText::Chunk::textRoom() const
{
    return form == Form::SpelledBytes ? 0 : std::max<qsizetype>(chunkCapacity - size(), 0);
}

qsizetype ChunkedText::Chunk::hexRoom() const
{
    return form == Form::SpelledBytes ? std::max<qsizetype>(chunkCapacity - size(), 0) / tripletSize
                                      : 0;
}

void ChunkedText::Chunk::spell(qsizetype from, qsizetype to, QByteArray &out) const
{
    Q_ASSERT(form == Form::SpelledBytes);
    out.resize(to - from);
    char *c = out.data();
    qsizetype index = from;
    for (; index < to && index % tripletSize != 0; ++index)
        *c++ = char(at(index).unicode());
    for (; index + tripletSize <= to; index += tripletSize) {
        const uchar byte = uchar(bytes[index / tripletSize]);
        *c++ = hexdigits::upper[byte >> 4];
        *c++ = hexdigits::upper[byte & 0xF];
        *c++ = ' ';
    }
    for (; index < to; ++index)
        *c++ = char(at(index).unicode());
}

void ChunkedText::Chunk::writeOut()
{
    if (form != Form::SpelledBytes)
        return;
    spell(0, size(), narrow);
    bytes = QByteArray();
    form = Form::Narrow;
}

void ChunkedText::Chunk::widen()
{
    writeOut();
    if (form == Form::Wide)
        return;
    wide.reserve(std::max(narrow.capacity(), narrow.size()));
    wide.append(QLatin1StringView(narrow));
    narrow = QByteArray();
    form = Form::Wide;
}

void ChunkedText::Chunk::insert(qsizetype index, QStringView text)
{
    writeOut();
    if (form == Form::Narrow && !fitsLatin1(text))
        widen();
    if (form == Form::Wide) {
        wide.insert(index, text);
        return;
    }
    const qsizetype oldSize = narrow.size();
    narrow.resize(oldSize + text.size());
    char *data = narrow.data();
    std::memmove(data + index + text.size(), data + index, size_t(oldSize - index));
    writeNarrow(data + index, text);
}

void ChunkedText::Chunk::remove(qsizetype index, qsizetype count)
{
    if (form == Form::SpelledBytes && index % tripletSize == 0 && count % tripletSize == 0) {
        bytes.remove(index / tripletSize, count / tripletSize);
        return;
    }
    writeOut();
    if (form == Form::Wide)
        wide.remove(index, count);
    else
        narrow.remove(index, count);
}

ChunkedText::Chunk &ChunkedText::startChunk(Chunk::Form form)
{
    Chunk &chunk = m_chunks.emplace_back();
    chunk.start = m_size;
    chunk.form = form;
    if (form == Chunk::Form::SpelledBytes)
        chunk.bytes.reserve(chunkCapacity / tripletSize);
    else
        chunk.narrow.reserve(chunkCapacity);
    return chunk;
}

void ChunkedText::append(QStringView text)
{
    while (!text.isEmpty()) {
        Chunk &last = m_chunks.empty() || m_chunks.back().textRoom() == 0
                          ? startChunk(Chunk::Form::Narrow)
                          : m_chunks.back();
        const QStringView part = text.first(std::min(last.textRoom(), text.size()));
        last.insert(last.size(), part);
        m_size += part.size();
        text = text.sliced(part.size());
    }
}

void ChunkedText::appendHex(QByteArrayView bytes)
{
    while (!bytes.isEmpty()) {
        Chunk &last = m_chunks.empty() || m_chunks.back().hexRoom() == 0
                          ? startChunk(Chunk::Form::SpelledBytes)
                          : m_chunks.back();
        const QByteArrayView part = bytes.first(std::min(last.hexRoom(), bytes.size()));
        last.bytes.append(part);
        m_size += part.size() * tripletSize;
        bytes = bytes.sliced(part.size());
    }
}

void ChunkedText::insert(qint64 position, QStringView text)
{
    Q_ASSERT(position >= 0 && position <= m_size);
    if (text.isEmpty())
        return;
    if (position == m_size) {
        append(text);
        return;
    }
    std::size_t index = chunkIndexOf(position);
    Chunk &chunk = m_chunks[index];
    chunk.insert(qsizetype(position - chunk.start), text);
    m_size += text.size();
    if (chunk.size() > splitSize) {
        // Keep pieces small so that later edits stay cheap.
        std::vector<Chunk> pieces;
        const Chunk whole = std::move(chunk);
        for (qsizetype offset = 0; offset < whole.size(); offset += chunkCapacity) {
            Chunk piece;
            piece.form = whole.form; // narrow or wide: the insert wrote out spelled bytes
            if (whole.form == Chunk::Form::Wide)
                piece.wide = whole.wide.mid(offset, chunkCapacity);
            else
                piece.narrow = whole.narrow.mid(offset, chunkCapacity);
            pieces.push_back(std::move(piece));
        }
        m_chunks.erase(m_chunks.begin() + qptrdiff(index));
        m_chunks.insert(m_chunks.begin() + qptrdiff(index), std::make_move_iterator(pieces.begin()),
                        std::make_move_iterator(pieces.end()));
    }
    renumberFrom(index);
}

void ChunkedText::remove(qint64 position, qint64 count)
{
    position = std::clamp<qint64>(position, 0, m_size);
    count = std::clamp<qint64>(count, 0, m_size - position);
    if (count == 0)
        return;
    const std::size_t first = chunkIndexOf(position);
    std::size_t index = first;
    qint64 left = count;
    while (left > 0) {
        Chunk &chunk = m_chunks[index];
        const qint64 offset = std::max<qint64>(position - chunk.start, 0);
        const qint64 taken = std::min<qint64>(left, chunk.size() - offset);
        chunk.remove(qsizetype(offset), qsizetype(taken));
        left -= taken;
        ++index;
    }
    m_size -= count;
    m_chunks.erase(std::remove_if(m_chunks.begin() + qptrdiff(first),
                                  m_chunks.begin() + qptrdiff(index),
                                  [](const Chunk &chunk) { return chunk.size() == 0; }),
                   m_chunks.begin() + qptrdiff(index));
    renumberFrom(first);
}

void ChunkedText::clear()
{
    m_chunks.clear();
    m_size = 0;
}

QChar ChunkedText::at(qint64 position) const
{
    if (position < 0 || position >= m_size)
        return QChar();
    const Chunk &chunk = m_chunks[chunkIndexOf(position)];
    return chunk.at(qsizetype(position - chunk.start));
}

QString ChunkedText::mid(qint64 position, qint64 count) const
{
    QString result;
    position = std::clamp<qint64>(position, 0, m_size);
    const qint64 end = count < 0 ? m_size : std::min(m_size, position + count);
    result.reserve(qsizetype(end - position));
    forEachPiece(position, end, [&result](auto piece, qint64) { result.append(piece); });
    return result;
}

QString ChunkedText::toString() const
{
    return mid(0, m_size);
}

std::size_t ChunkedText::chunkIndexOf(qint64 position) const
{
    // The last piece that starts at or before position.
    const auto after =
        std::upper_bound(m_chunks.begin(), m_chunks.end(), position,
                         [](qint64 value, const Chunk &chunk) { return value < chunk.start; });
    return after == m_chunks.begin() ? 0 : std::size_t(after - m_chunks.begin() - 1);
}

void ChunkedText::renumberFrom(std::size_t index)
{
    qint64 start = index == 0 ? 0 : m_chunks[index - 1].start + m_chunks[index - 1].size();
    for (; index < m_chunks.size(); ++index) {
        m_chunks[index].start = start;
        start += m_chunks[index].size();
    }
}
