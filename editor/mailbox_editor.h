// The side of the instrument's editor that host threads and the audio thread call: parameter
// values, program names and buttons, and the sample rate. It only records them in the mailbox;
// the editor's window part (getRect, open, close, idle) collects them on its own thread.
#pragma once

#include "core/instrument_editor.h"
#include "core/my_vsti.h"
#include "editor/editor_mailbox.h"

namespace sorvella {

class MailboxEditor : public InstrumentEditor {
  public:
    explicit MailboxEditor(MyVsti& instrument) : instrument_(instrument) {}

    void setParameter(std::int32_t index, float value) override {
        mailbox_.showParameter(index, value);
    }
    void showProgramName(const char* name) override { mailbox_.showProgramName(name); }
    // Called by the thread that changed the program; the number is read from the instrument's
    // atomic copy, so a host thread renaming the program never races a program change.
    void refreshProgramButtons() override {
        mailbox_.refreshProgramButtons(instrument_.currentProgram());
    }
    void controllerMapChanged() override { mailbox_.controllerMapChanged(); }
    void sampleRateChanged(float rate) override { mailbox_.sampleRateChanged(rate); }

    EditorMailbox& mailbox() { return mailbox_; }
    MyVsti& instrument() { return instrument_; }

  private:
    MyVsti& instrument_;
    EditorMailbox mailbox_;
};

}  // namespace sorvella
