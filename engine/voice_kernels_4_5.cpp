// The voice kernels for 4 to 5 unison copies.
#include "engine/voice_kernels.h"

namespace sorvella {

template void MyNote::chooseKernels<4, true>();
template void MyNote::chooseKernels<4, false>();
template void MyNote::chooseKernels<5, true>();
template void MyNote::chooseKernels<5, false>();

}  // namespace sorvella
