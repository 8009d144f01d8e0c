// The pool's billboards. Takes part in the device phases; its items come later.
#pragma once

#include "engine/TWCollection.h"

class TWBillboards : public TWCollection {
 public:
  using TWCollection::TWCollection;
};
