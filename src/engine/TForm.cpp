#include "engine/TForm.h"

void TForm::Loaded() {
  // A component's Loaded may create or free others; walk by index and re-check the count.
  for (int I = 0; I < ComponentCount(); ++I) Components(I)->Loaded();
}
