#pragma once
// A table of text cells addressed by (column, row), both from 1; row 0 holds
// the column headers and column 0 the row headers. Each cell may carry a
// background colour and a text colour. This is the shape of every grid of the program: the
// hidden data store and the visible tables alike.
#include "core/Rgb.h"

#include <QList>
#include <QObject>
#include <QString>

// A cell's text as it is shown: a recorder's name padded with NUL bytes
// loses the trailing ones and shows the others as blanks (the cell keeps
// its bytes).
QString DisplayText(const QString& text);

class TextTable : public QObject {
    Q_OBJECT
public:
    explicit TextTable(int cols = 0, int rows = 0, QObject* parent = nullptr);

    int colCount() const { return m_cols; }
    int rowCount() const { return m_rows; }
    void setColCount(int cols);
    void setRowCount(int rows);
    // Adds one row at the end and returns its number.
    int appendRow();

    bool hasCell(int col, int row) const { return col >= 0 && row >= 0 && col <= m_cols && row <= m_rows; }
    // Text of a cell; a cell outside the table reads as the empty text.
    QString text(int col, int row) const;
    // Writes a cell; false when the cell is outside the table. Writing the
    // text a cell already holds changes nothing and signals nothing.
    bool setText(int col, int row, const QString& text);

    // Background colour; kNoColour when the cell has none of its own.
    static constexpr Rgb kNoColour = 0; // fully transparent: no colour a cell is given
    Rgb background(int col, int row) const;
    bool setBackground(int col, int row, Rgb colour);
    // Text colour; kNoColour when the cell has none of its own.
    Rgb foreground(int col, int row) const;
    bool setForeground(int col, int row, Rgb colour);

    // Empties the texts of a block of cells (headers are not touched unless named).
    void clearTexts(int col1, int row1, int col2, int row2);

signals:
    void cellChanged(int col, int row);
    // Rows or columns were added or removed.
    void shapeChanged();

private:
    int index(int col, int row) const { return row * (m_cols + 1) + col; }
    void resize(int cols, int rows);
    bool setColour(QList<Rgb>& colours, int col, int row, Rgb colour);

    int m_cols = 0;
    int m_rows = 0;
    QList<QString> m_text;
    QList<Rgb> m_colour;
    QList<Rgb> m_ink;
};
