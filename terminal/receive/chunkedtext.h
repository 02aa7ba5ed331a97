#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>
#include <QStringView>

#include <vector>

// A long text kept in pieces of a few ten thousand characters, so that
// appending never copies what is already held and an edit in the middle
// moves one piece only. Positions are in UTF-16 code units.
//
// A piece holds one byte per character for as long as all its characters
// lie below U+0100 (ASCII lines, hex digits), and turns to UTF-16 with its
// first wider character: received text takes half the memory in the common
// case.
class ChunkedText
{
public:
    qint64 size() const { return m_size; }

    void append(QStringView text);
    void insert(qint64 position, QStringView text);
    void remove(qint64 position, qint64 count);
    void clear();

    QChar at(qint64 position) const;
    QString mid(qint64 position, qint64 count) const;
    QString toString() const;

    // Calls visit(piece, qint64 pieceStart) for the pieces that together make
    // up [from, to), in order; piece is a QLatin1StringView or a QStringView.
    template <typename Visit> void forEachPiece(qint64 from, qint64 to, Visit visit) const;

private:
    struct Chunk
    {
        qint64 start = 0;
        QByteArray narrow; // the characters while none is above U+00FF
        QString wide;      // all of them from the first one above on
        bool isWide = false;

        qsizetype size() const { return isWide ? wide.size() : narrow.size(); }
        QChar at(qsizetype index) const
        {
            return isWide ? wide.at(index) : QChar(uchar(narrow.at(index)));
        }
        // Adds text at index; a narrow piece turns wide if text needs it.
        void insert(qsizetype index, QStringView text);
        void remove(qsizetype index, qsizetype count);
        void widen();
    };

    // How many characters a new piece takes before the next one starts, and
    // how far an edit may grow a piece before it is split.
    static constexpr qsizetype chunkCapacity = 32 * 1024;
    static constexpr qsizetype splitSize = 2 * chunkCapacity;

    std::size_t chunkIndexOf(qint64 position) const;
    void renumberFrom(std::size_t index);

    std::vector<Chunk> m_chunks;
    qint64 m_size = 0;
};

template <typename Visit> void ChunkedText::forEachPiece(qint64 from, qint64 to, Visit visit) const
{
    from = std::max<qint64>(from, 0);
    to = std::min(to, m_size);
    if (from >= to)
        return;
    for (std::size_t index = chunkIndexOf(from); index < m_chunks.size(); ++index) {
        const Chunk &chunk = m_chunks[index];
        if (chunk.start >= to)
            break;
        const qint64 begin = std::max(from, chunk.start);
        const qint64 end = std::min(to, chunk.start + chunk.size());
        if (chunk.isWide)
            visit(QStringView(chunk.wide).sliced(begin - chunk.start, end - begin), begin);
        else
            visit(QLatin1StringView(chunk.narrow).sliced(begin - chunk.start, end - begin), begin);
    }
}
