// Extruded 3D text: an engine extra the saver leaves empty; it only takes the device phases.
#pragma once

#include "engine/TWCollection.h"

class TWText3Ds : public TWCollection {
 public:
  using TWCollection::TWCollection;
};
