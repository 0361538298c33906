// The engine's classes in the COM class table.
#include <varnel/speech_classes.h>

#include "sp_mm_audio_out.h"
#include "sp_stream.h"
#include "sp_voice.h"
#include "token_category.h"

#include <varnel/class_table.h>

void RegisterSpeechClasses()
{
    using namespace speech;
    const InprocClass classes[] = {
        {CLSID_SpVoice, "SAPI.SpVoice", &CreateInprocInstance<SpVoice>},
        {CLSID_SpObjectTokenCategory, "SAPI.SpObjectTokenCategory", &CreateInprocInstance<TokenCategory>},
        {CLSID_SpStream, "SAPI.SpStream", &CreateInprocInstance<SpStream>},
        {CLSID_SpFileStream, "SAPI.SpFileStream", &CreateInprocInstance<SpStream>},
        {CLSID_SpMMAudioOut, "SAPI.SpMMAudioOut", &CreateInprocInstance<SpMMAudioOut>},
    };
    for (const InprocClass& inprocClass : classes) CoRegisterInprocClass(inprocClass);
}
