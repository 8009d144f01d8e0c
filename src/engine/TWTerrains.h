// Height-map terrains: an engine extra the saver leaves empty; it only takes the device phases.
#pragma once

#include "engine/TWCollection.h"

class TWTerrains : public TWCollection {
 public:
  using TWCollection::TWCollection;
};
