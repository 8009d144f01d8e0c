// The pool's bitmap fonts. Takes part in the device phases; its items come later.
#pragma once

#include "engine/TWCollection.h"

class TWFonts : public TWCollection {
 public:
  using TWCollection::TWCollection;
};
