#include "core/TextTable.h"

QString DisplayText(const QString& text)
{
    if (!text.contains(QChar(0)))
        return text;
    QString shown = text;
    while (shown.endsWith(QChar(0)))
        shown.chop(1);
    shown.replace(QChar(0), u' ');
    return shown;
}

TextTable::TextTable(int cols, int rows, QObject* parent)
    : QObject(parent)
{
    resize(qMax(cols, 0), qMax(rows, 0));
}

void TextTable::resize(int cols, int rows)
{
    QList<QString> text((cols + 1) * (rows + 1));
    QList<Rgb> colour((cols + 1) * (rows + 1), kNoColour);
    QList<Rgb> ink((cols + 1) * (rows + 1), kNoColour);
    const int keepCols = qMin(cols, m_cols);
    const int keepRows = qMin(rows, m_rows);
    for (int r = 0; r <= keepRows; ++r) {
        for (int c = 0; c <= keepCols; ++c) {
            text[r * (cols + 1) + c] = m_text.value(index(c, r));
            colour[r * (cols + 1) + c] = m_colour.value(index(c, r), kNoColour);
            ink[r * (cols + 1) + c] = m_ink.value(index(c, r), kNoColour);
        }
    }
    m_cols = cols;
    m_rows = rows;
    m_text = std::move(text);
    m_colour = std::move(colour);
    m_ink = std::move(ink);
}

void TextTable::setColCount(int cols)
{
    cols = qMax(cols, 0);
    if (cols == m_cols)
        return;
    resize(cols, m_rows);
    emit shapeChanged();
}

void TextTable::setRowCount(int rows)
{
    rows = qMax(rows, 0);
    if (rows == m_rows)
        return;
    if (rows > m_rows && m_rows >= 0) {
        // Growing keeps the layout: only new cells are appended.
        m_text.resize((m_cols + 1) * (rows + 1));
        m_colour.resize((m_cols + 1) * (rows + 1)); // new cells: kNoColour (0)
        m_ink.resize((m_cols + 1) * (rows + 1));
        m_rows = rows;
    } else {
        resize(m_cols, rows);
    }
    emit shapeChanged();
}

int TextTable::appendRow()
{
    setRowCount(m_rows + 1);
    return m_rows;
}

QString TextTable::text(int col, int row) const
{
    if (!hasCell(col, row))
        return {};
    return m_text[index(col, row)];
}

bool TextTable::setText(int col, int row, const QString& text)
{
    if (!hasCell(col, row))
        return false;
    QString& cell = m_text[index(col, row)];
    if (cell == text)
        return true;
    cell = text;
    emit cellChanged(col, row);
    return true;
}

Rgb TextTable::background(int col, int row) const
{
    if (!hasCell(col, row))
        return kNoColour;
    return m_colour[index(col, row)];
}

bool TextTable::setBackground(int col, int row, Rgb colour)
{
    return setColour(m_colour, col, row, colour);
}

Rgb TextTable::foreground(int col, int row) const
{
    return hasCell(col, row) ? m_ink[index(col, row)] : kNoColour;
}

bool TextTable::setForeground(int col, int row, Rgb colour)
{
    return setColour(m_ink, col, row, colour);
}

bool TextTable::setColour(QList<Rgb>& colours, int col, int row, Rgb colour)
{
    if (!hasCell(col, row))
        return false;
    Rgb& cell = colours[index(col, row)];
    if (cell == colour)
        return true;
    cell = colour;
    emit cellChanged(col, row);
    return true;
}

void TextTable::clearTexts(int col1, int row1, int col2, int row2)
{
    for (int r = qMax(row1, 0); r <= qMin(row2, m_rows); ++r)
        for (int c = qMax(col1, 0); c <= qMin(col2, m_cols); ++c)
            setText(c, r, QString());
}
