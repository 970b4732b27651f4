#pragma once

#include "afx/Afx.h"

// Lists of names stored as one text: items joined by a separator, each item
// written in double quotes with inner quotes doubled, so that an item may
// contain the separator. Readers also accept unquoted items (blanks trimmed).
// Writing a list (QuoteString each item, JoinStrings) and reading it back
// (SplitQuotedList, UnquoteString each piece) gives the same items.

// Splits at every separator outside double quotes. Pieces keep their quotes
// and blanks; an empty piece before a separator is kept, an empty last piece
// is not. An empty text gives no pieces. An empty (or NULL) separator does not
// split: the whole text is one piece.
void SplitQuotedList(const CString& strText, LPCWSTR pszSeparator, CStringArray& arrPieces);

// The elements in order with the separator between neighbours; empty for an
// empty array.
CString JoinStrings(const CStringArray& arr, LPCWSTR pszSeparator);

// A double quote, the text with each double quote doubled, a double quote.
CString QuoteString(const CString& str);

// Trims white space (iswspace); a text that then starts with a double quote
// loses its quoting (doubled quotes become one, other quotes are dropped),
// any other text is returned as trimmed.
CString UnquoteString(const CString& str);

// Name comparison: equal after folding A-Z to a-z only; full-width and
// accented letters compare exactly.
BOOL NamesEqual(LPCWSTR pszA, int nLenA, LPCWSTR pszB, int nLenB);

// TRUE at the first element equal to the name.
BOOL StringArrayContains(const CStringArray& arr, LPCWSTR pszName);

// Removes every element equal to the name, keeping the order of the rest.
// TRUE when at least one was removed.
BOOL StringArrayRemove(CStringArray& arr, LPCWSTR pszName);
