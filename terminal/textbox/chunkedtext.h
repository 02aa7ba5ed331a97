#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QLatin1StringView>
#include <QString>
#include <QStringView>

#include <vector>

// A long text kept in pieces of a few ten thousand characters, so that
// appending never copies what is already held and an edit in the middle
// moves one piece only. Positions are in UTF-16 code units.
//
// A piece holds one byte per character for as long as all its characters
// lie below U+0100 (ASCII lines), and turns to UTF-16 with its first wider
// character: received text takes half the memory in the common case. Bytes
// shown as hex go into pieces of their own that keep the bytes and spell
// their "HH " text when it is read, a third of the room; an edit inside such a
// piece writes it out first.
class ChunkedText
{
public:
    qint64 size() const { return m_size; }

    void append(QStringView text);
    // Appends each byte as two upper-case hex digits and a blank, "00 " to "FF ".
    void appendHex(QByteArrayView bytes);
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
        enum class Form : quint8 { Narrow, Wide, SpelledBytes };

        qint64 start = 0;
        QByteArray narrow; // Narrow: the characters, none above U+00FF
        QString wide;      // Wide: the characters
        QByteArray bytes;  // SpelledBytes: the bytes whose "HH " the characters are
        Form form = Form::Narrow;

        qsizetype size() const;
        QChar at(qsizetype index) const;
        // How many more characters (bytes shown as hex) the piece takes at
        // its end: none in a piece of the other kind.
        qsizetype textRoom() const;
        qsizetype hexRoom() const;
        // Adds text at index; the piece changes form if text needs it.
        void insert(qsizetype index, QStringView text);
        void remove(qsizetype index, qsizetype count);
        // The characters from index from to index to, written out.
        void spell(qsizetype from, qsizetype to, QByteArray &out) const;
        void writeOut(); // a piece that spells bytes becomes narrow
        void widen();
    };

    // How many characters a new piece takes before the next one starts, and
    // how far an edit may grow a piece before it is split.
    static constexpr qsizetype chunkCapacity = 32 * 1024;
    static constexpr qsizetype splitSize = 2 * chunkCapacity;

    // Starts a piece at the end that holds text, or bytes shown as hex.
    Chunk &startChunk(Chunk::Form form);
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
    QByteArray spelled; // a piece that spells bytes, written out for the visit
    for (std::size_t index = chunkIndexOf(from); index < m_chunks.size(); ++index) {
        const Chunk &chunk = m_chunks[index];
        if (chunk.start >= to)
            break;
        const qsizetype begin = qsizetype(std::max(from, chunk.start) - chunk.start);
        const qsizetype end = qsizetype(std::min(to, chunk.start + chunk.size()) - chunk.start);
        switch (chunk.form) {
        case Chunk::Form::Narrow:
            visit(QLatin1StringView(chunk.narrow).sliced(begin, end - begin), chunk.start + begin);
            break;
        case Chunk::Form::Wide:
            visit(QStringView(chunk.wide).sliced(begin, end - begin), chunk.start + begin);
            break;
        case Chunk::Form::SpelledBytes:
            chunk.spell(begin, end, spelled);
            visit(QLatin1StringView(spelled), chunk.start + begin);
            break;
        }
    }
}
