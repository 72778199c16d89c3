// The voice kernels for 8 unison copies.
#include "engine/voice_kernels.h"

namespace sorvella {

template void MyNote::chooseKernels<8, true>();
template void MyNote::chooseKernels<8, false>();

}  // namespace sorvella
