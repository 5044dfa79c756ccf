// The emoji drawn as card faces, with the file names they get. Names are the Unicode CLDR
// short names in lower-case ASCII with dashes.
#pragma once

#include <QList>

namespace quorvia::icongen {

struct EmojiFace {
    const char32_t* sequence;  // code points, NUL-terminated
    const char* name;          // file base name
};

// The default theme "quorvia": objects, food, animals, plants, vehicles... picked to stay
// distinct from each other at 32 px (no skin tones, no flags, one picture per idea).
const QList<EmojiFace>& quorviaFaces();

// The nested theme "natur/tiere": animals.
const QList<EmojiFace>& animalFaces();

}  // namespace quorvia::icongen
