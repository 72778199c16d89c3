#include "core/file_operations.h"

#include "core/fx_files.h"
#include "core/my_vsti.h"
#include "presets/file_selector.h"
#include "presets/tuning.h"

namespace sorvella {

namespace {

template <typename Operation>
bool withSelectedFile(MyVsti& instrument, const FileRequest& request, void* owner,
                      Operation operation) {
    FileSelection selection(instrument, request, owner);
    if (!selection.path()) return false;
    return operation(selection.path()->c_str());
}

}  // namespace

bool loadBank(MyVsti& instrument, void* owner) {
    return withSelectedFile(instrument, loadBankRequest(), owner,
                            [&](const char* path) { return loadBankFile(instrument, path); });
}

bool saveBank(MyVsti& instrument, void* owner) {
    return withSelectedFile(instrument, saveBankRequest(), owner,
                            [&](const char* path) { return saveBankFile(instrument, path); });
}

bool loadPatch(MyVsti& instrument, void* owner) {
    return withSelectedFile(instrument, loadPatchRequest(), owner,
                            [&](const char* path) { return loadPatchFile(instrument, path); });
}

bool savePatch(MyVsti& instrument, void* owner) {
    return withSelectedFile(instrument, savePatchRequest(), owner,
                            [&](const char* path) { return savePatchFile(instrument, path); });
}

bool loadTuning(MyVsti& instrument, void* owner) {
    const FileRequest request = loadTuningRequest(currentTuningName(instrument.settings()));
    return withSelectedFile(instrument, request, owner, [&](const char* path) {
        return loadTuningFile(path, instrument.settings());
    });
}

}  // namespace sorvella
