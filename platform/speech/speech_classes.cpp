// The engine's classes in the COM class table. Programs link the whole archive
// (target speech_engine) so these registrars run.
#include "sp_mm_audio_out.h"
#include "sp_stream.h"
#include "sp_voice.h"
#include "token_category.h"

#include <varnel/class_table.h>

namespace speech {
namespace {

const InprocClassRegistrar kVoice{{CLSID_SpVoice, "SAPI.SpVoice", &CreateInprocInstance<SpVoice>}};
const InprocClassRegistrar kCategory{
    {CLSID_SpObjectTokenCategory, "SAPI.SpObjectTokenCategory", &CreateInprocInstance<TokenCategory>}};
const InprocClassRegistrar kStream{{CLSID_SpStream, "SAPI.SpStream", &CreateInprocInstance<SpStream>}};
const InprocClassRegistrar kFileStream{
    {CLSID_SpFileStream, "SAPI.SpFileStream", &CreateInprocInstance<SpStream>}};
const InprocClassRegistrar kAudioOut{{CLSID_SpMMAudioOut, "SAPI.SpMMAudioOut", &CreateInprocInstance<SpMMAudioOut>}};

}  // namespace
}  // namespace speech
