// The voice kernels for 1 to 3 unison copies.
#include "engine/voice_kernels.h"

namespace sorvella {

template void MyNote::chooseKernels<1, true>();
template void MyNote::chooseKernels<1, false>();
template void MyNote::chooseKernels<2, true>();
template void MyNote::chooseKernels<2, false>();
template void MyNote::chooseKernels<3, true>();
template void MyNote::chooseKernels<3, false>();

}  // namespace sorvella
