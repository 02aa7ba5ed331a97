#include "receive/chunkedtext.h"

#include <algorithm>
#include <cstring>

namespace {

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

void ChunkedText::Chunk::widen()
{
    if (isWide)
        return;
    wide.reserve(std::max(narrow.capacity(), narrow.size()));
    wide.append(QLatin1StringView(narrow));
    narrow = QByteArray();
    isWide = true;
}

void ChunkedText::Chunk::insert(qsizetype index, QStringView text)
{
    if (!isWide && !fitsLatin1(text))
        widen();
    if (isWide) {
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
    if (isWide)
        wide.remove(index, count);
    else
        narrow.remove(index, count);
}

void ChunkedText::append(QStringView text)
{
    while (!text.isEmpty()) {
        if (m_chunks.empty() || m_chunks.back().size() >= chunkCapacity) {
            Chunk chunk;
            chunk.start = m_size;
            chunk.narrow.reserve(chunkCapacity);
            m_chunks.push_back(std::move(chunk));
        }
        Chunk &last = m_chunks.back();
        const qsizetype room = std::max<qsizetype>(chunkCapacity - last.size(), 0);
        const QStringView part = text.first(std::min(room, text.size()));
        last.insert(last.size(), part);
        m_size += part.size();
        text = text.sliced(part.size());
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
            piece.isWide = whole.isWide;
            if (whole.isWide)
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
