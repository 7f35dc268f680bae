#pragma once

#include <QString>
#include <QStringList>

// The help window's text, kept apart from the window so it can be checked
// without building any widgets.
//
// Pieces 0..6 are paragraphs, 7..11 are the contact lines. Piece 0 is the
// label's design caption; the window appends the rest one at a time.
inline constexpr int kHelpPieceCount = 12;
inline constexpr int kHelpFirstContactPiece = 7;

QStringList helpPieces();

// Line breaks that go in front of piece `index` (1 .. kHelpPieceCount - 1):
// a blank line before each paragraph and before the first contact line,
// a single '\n' between contact lines.
QString helpBreakBefore(int index);

// The whole text exactly as the help window shows it.
QString assembleHelpText();
