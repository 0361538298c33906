#include "InputFileText.h"

#include <load_input.h>

InputFileText LoadInputFileText(const CString& path)
{
    InputFileText result;
    LoadedInput loaded = LoadInput(path);
    result.problem = loaded.problem.c_str();
    if (!loaded.loaded) return result;
    result.document = loaded.input.document;
    result.text = CString(loaded.input.text.c_str());
    result.read = !result.text.IsEmpty();
    return result;
}
