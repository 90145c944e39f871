// SPDX-License-Identifier: GPL-3.0-or-later
// The game's key codes (Windows virtual-key codes) for the page's key events. A letter or digit
// key means what it types when that is a Latin letter or a digit (AZERTY's A is A), else the US
// key in its place (a Russian keyboard's key at A, AZERTY's digit row typing "&"). Other keys go
// by their place. The other function keys stay the browser's (reload, full screen, caret
// browsing).
'use strict';

const VeltroKeys = (() => {
  const kByPlace = {
    Backspace: 8, Tab: 9, Enter: 13, NumpadEnter: 13, ShiftLeft: 16, ShiftRight: 16,
    ControlLeft: 17, ControlRight: 17, AltLeft: 18, AltRight: 18, Escape: 27, Space: 32,
    PageUp: 33, PageDown: 34, End: 35, Home: 36, ArrowLeft: 37, ArrowUp: 38, ArrowRight: 39,
    ArrowDown: 40, Delete: 46, F1: 112, NumpadMultiply: 106, NumpadAdd: 107,
    NumpadSubtract: 109, NumpadDecimal: 110, NumpadDivide: 111,
    Semicolon: 186, Equal: 187, Comma: 188, Minus: 189, Period: 190, Slash: 191, Backquote: 192,
    BracketLeft: 219, Backslash: 220, BracketRight: 221, Quote: 222,
  };
  for (let c = 65; c <= 90; ++c) kByPlace['Key' + String.fromCharCode(c)] = c;
  for (let d = 0; d <= 9; ++d) {
    kByPlace['Digit' + d] = 48 + d;
    kByPlace['Numpad' + d] = 96 + d;
  }

  // A Latin layout's punctuation on a letter key keeps its meaning (Dvorak's apostrophe on the US
  // Q); a non-Latin layout's is the letter in its place (a Greek keyboard's Q types ";").
  const kPunctuation = { ';': 186, '=': 187, ',': 188, '-': 189, '.': 190, '/': 191, '`': 192,
                         '[': 219, '\\': 220, ']': 221, "'": 222 };
  let latinLayout = true;  // as the last letter typed on a letter key shows

  return {
    // The game's code for a keydown or keyup event; undefined for a key the game has no code for.
    codeOf(event) {
      const typed = event.key.length === 1 ? event.key : '';
      const letterKey = /^Key[A-Z]$/.test(event.code);
      if (letterKey && /\p{L}/u.test(typed)) latinLayout = /\p{Script=Latin}/u.test(typed);
      const character = /^[A-Za-z0-9]$/.test(typed) ? typed.toUpperCase() : '';
      if (character && (letterKey || /^Digit/.test(event.code) || /[A-Z]/.test(character))) {
        return character.charCodeAt(0);
      }
      if (letterKey && latinLayout && typed in kPunctuation) return kPunctuation[typed];
      return kByPlace[event.code];
    },
  };
})();
