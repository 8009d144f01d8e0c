// Line lists: an engine extra the saver leaves empty; it only takes the device phases.
#pragma once

#include "engine/TWCollection.h"

class TWLines : public TWCollection {
 public:
  using TWCollection::TWCollection;
};
