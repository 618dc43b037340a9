#pragma once

#include <QChar>
#include <QString>

namespace kalvora {

// The amount-text check of the amount boxes: true when the text is not empty and holds only the
// digits 0 to 9 and at most one comma. A lone comma, "12," and "0" pass; a sign, a point or a blank
// does not. It says nothing about the value: see amountReadable.
bool TutarKontrol(const QString& text);

// True when the amount text reads as a number (a lone comma does not) and holds no more significant
// digits than a double keeps exactly, so the stored text and every sum made of it agree.
bool amountReadable(const QString& text);

// The text a save of the current accounts accepts: not empty, not exactly "0", and readable. "00" and
// "0,0" are accepted (a row of amount zero), as are the display forms "1.500,50" and "-1.500,50".
bool amountAccepted(const QString& text);

// Key rule of the amount boxes for one typed character: the digits pass; a comma passes only while
// the text that the keystroke keeps (the box's text without the selection it replaces) holds no comma;
// every other character (sign, point, letters, blanks, control characters) is dropped.
bool amountCharAccepted(QChar typed, const QString& textKept);

// The save's check of an amount box against the text the window filled it with (empty, or the display
// form in the edit window): the box may hold no character the keys could not type, nor a second comma.
// Signs and points of the filled text may stay or go, none may be added.
bool amountEditAccepted(const QString& before, const QString& after);

// Any other change of an amount box (a paste, a drop, an input method): the part the change inserted
// is held to the key rule character by character, as if it had been typed there; the rest of the text
// stays as it was. Returns the text the box keeps.
QString amountEditFiltered(const QString& before, const QString& after);

} // namespace kalvora
