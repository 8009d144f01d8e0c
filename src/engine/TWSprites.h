// The pool's sprites. Takes part in the device phases; its items come later.
#pragma once

#include "engine/TWCollection.h"

class TWSprites : public TWCollection {
 public:
  using TWCollection::TWCollection;
};
