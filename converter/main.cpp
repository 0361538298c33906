// narrate: renders a text file into a WAV file with an installed voice.
#include "run_narrate.h"
#include "standard_options.h"

#include <varnel/speech_classes.h>

int main(int argc, char** argv)
{
    RegisterSpeechClasses();
    if (auto option = narrate::SoleStandardOption(argc, argv)) return narrate::RunStandardOption(*option);
    return narrate::RunNarrate(argc, argv);
}
