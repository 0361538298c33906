// The speech engine's custom interfaces, classes and identifiers.
#pragma once

#include <mmreg.h>
#include <objbase.h>
#include <windef.h>

// ---- constants --------------------------------------------------------------

enum SPEAKFLAGS : DWORD {
    SPF_DEFAULT = 0,
    SPF_ASYNC = 1,
    SPF_PURGEBEFORESPEAK = 2,
    SPF_IS_FILENAME = 4,
    SPF_IS_XML = 8,
    SPF_IS_NOT_XML = 16,
};

enum SPFILEMODE {
    SPFM_OPEN_READONLY = 0,
    SPFM_OPEN_READWRITE = 1,
    SPFM_CREATE = 2,
    SPFM_CREATE_ALWAYS = 3,
};

// Where a stream's Seek counts from.
enum STREAM_SEEK : DWORD {
    STREAM_SEEK_SET = 0,
    STREAM_SEEK_CUR = 1,
    STREAM_SEEK_END = 2,
};

// A voice's running state in SPVOICESTATUS.
enum SPRUNSTATE : DWORD {
    SPRS_DONE = 1,         // nothing queued or being spoken
    SPRS_IS_SPEAKING = 2,  // a request is being rendered
};

inline constexpr ULONGLONG SPFEI_ALL_EVENTS = 0xEFFFFFFFFFFFFFFFull;

// The events a voice reports (ISpEventSource).
enum SPEVENTENUM : WORD {
    SPEI_UNDEFINED = 0,
    SPEI_START_INPUT_STREAM = 1,
    SPEI_END_INPUT_STREAM = 2,
    SPEI_VOICE_CHANGE = 3,
    SPEI_TTS_BOOKMARK = 4,        // wParam: atol of the mark's name; lParam: the name
    SPEI_WORD_BOUNDARY = 5,       // wParam: the word's length; lParam: its position
    SPEI_PHONEME = 6,
    SPEI_SENTENCE_BOUNDARY = 7,   // wParam: the sentence's length; lParam: its position
    SPEI_VISEME = 8,
    SPEI_TTS_AUDIO_LEVEL = 9,
    SPEI_TTS_PRIVATE = 15,
    SPEI_MIN_TTS = 1,
    SPEI_MAX_TTS = 15,
    SPEI_RESERVED1 = 30,
    SPEI_RESERVED2 = 33,
};

// What an event's lParam holds.
enum SPEVENTLPARAMTYPE : WORD {
    SPET_LPARAM_IS_UNDEFINED = 0,
    SPET_LPARAM_IS_TOKEN = 1,
    SPET_LPARAM_IS_OBJECT = 2,
    SPET_LPARAM_IS_POINTER = 3,
    SPET_LPARAM_IS_STRING = 4,  // a CoTaskMemAlloc'd string: SpClearEvent frees it
};

// An interest mask carries two reserved bits, so a bare event number is refused.
inline constexpr ULONGLONG SPFEI_FLAGCHECK = (1ull << SPEI_RESERVED1) | (1ull << SPEI_RESERVED2);
inline constexpr ULONGLONG SPFEI(SPEVENTENUM event) { return (1ull << event) | SPFEI_FLAGCHECK; }
inline constexpr ULONGLONG SPFEI_ALL_TTS_EVENTS = 0x000000000000FFFEull | SPFEI_FLAGCHECK;

inline constexpr LONG SPMIN_RATE = -10;
inline constexpr LONG SPMAX_RATE = 10;
inline constexpr USHORT SPMAX_VOLUME = 100;

inline constexpr GUID SPDFID_WaveFormatEx = MakeGuid("{C31ADBAE-527F-4FF5-A230-F62BB61FF70C}");
inline constexpr GUID SPDFID_Text = MakeGuid("{7CEEF9F9-3D13-11D2-9EE7-00C04F797396}");

// Flags of the automation interface's Speak: the same values as SPF_*.
enum SpeechVoiceSpeakFlags : LONG {
    SVSFDefault = 0,
    SVSFlagsAsync = 1,
    SVSFPurgeBeforeSpeak = 2,
    SVSFIsFilename = 4,
    SVSFIsXML = 8,
    SVSFIsNotXML = 16,
};

// ISpeechVoiceStatus's RunningState: the same values as SPRS_*.
enum SpeechRunState : LONG {
    SRSEDone = 1,
    SRSEIsSpeaking = 2,
};

// Engine status codes.
inline constexpr HRESULT SPERR_UNINITIALIZED = MAKE_HRESULT_CODE(0x80045001);
inline constexpr HRESULT SPERR_ALREADY_INITIALIZED = MAKE_HRESULT_CODE(0x80045002);
inline constexpr HRESULT SPERR_UNSUPPORTED_FORMAT = MAKE_HRESULT_CODE(0x80045003);
inline constexpr HRESULT SPERR_INVALID_FLAGS = MAKE_HRESULT_CODE(0x80045004);
inline constexpr HRESULT SPERR_DEVICE_BUSY = MAKE_HRESULT_CODE(0x80045006);
inline constexpr HRESULT SPERR_NO_DRIVER = MAKE_HRESULT_CODE(0x80045009);  // no audio server
inline constexpr HRESULT SPERR_AUDIO_STOPPED = MAKE_HRESULT_CODE(0x80045011);  // the server went away
inline constexpr HRESULT SPERR_NO_MORE_ITEMS = MAKE_HRESULT_CODE(0x80045039);
inline constexpr HRESULT SPERR_NOT_FOUND = MAKE_HRESULT_CODE(0x8004503A);
inline constexpr HRESULT SPERR_STREAM_CLOSED = MAKE_HRESULT_CODE(0x80045025);
inline constexpr HRESULT SPERR_ENGINE_FAILED = MAKE_HRESULT_CODE(0x80045041);  // synthesizer unavailable
inline constexpr HRESULT STG_E_INVALIDFUNCTION = MAKE_HRESULT_CODE(0x80030001);

inline constexpr WCHAR SPCAT_VOICES[] = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices";

// ---- interfaces -------------------------------------------------------------

// Where audio goes: the file stream and the default audio output both take it.
struct ISequentialStream : IUnknown {
    STDMETHOD(Write)(const void* data, ULONG bytes, ULONG* written) = 0;

protected:
    ~ISequentialStream() = default;
};
DECLARE_INTERFACE_IID(ISequentialStream, "{0C733A30-2A1C-11CE-ADE5-00AA0044773D}");

struct ISpStreamFormat : ISequentialStream {
    // *format receives a block from CoTaskMemAlloc that the caller frees.
    STDMETHOD(GetFormat)(GUID* formatId, WAVEFORMATEX** format) = 0;

protected:
    ~ISpStreamFormat() = default;
};
DECLARE_INTERFACE_IID(ISpStreamFormat, "{BED530BE-2606-4F4D-A1C0-54C5CDA5566F}");
DECLARE_INTERFACE_BASE(ISpStreamFormat, ISequentialStream);

struct ISpStream : ISpStreamFormat {
    // Only the position is reported (a move of 0 from STREAM_SEEK_CUR): the bytes of
    // audio written so far, the file's header not counted.
    STDMETHOD(Seek)(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) = 0;
    STDMETHOD(BindToFile)(LPCWSTR fileName, SPFILEMODE mode, const GUID* formatId,
                          const WAVEFORMATEX* format, ULONGLONG eventInterest) = 0;
    STDMETHOD(Close)() = 0;

protected:
    ~ISpStream() = default;
};
DECLARE_INTERFACE_IID(ISpStream, "{12E3CCA9-7518-44C5-A5E7-BA5A79CB929E}");
DECLARE_INTERFACE_BASE(ISpStream, ISpStreamFormat);

// The engine's own extension of its file stream: the container, tags and
// chapters of a compressed audio file. A file stream picks its container by the
// bound file's extension (.wav .flac .opus .ogg .mp3 .m4a .m4b, any letter case;
// any other is a WAV file); a WAV file keeps no tags and no chapters.
struct ISpAudioFile : IUnknown {
    // Before BindToFile: the container by an extension ("opus", ".M4B") for a file
    // whose own name does not say it (a temporary file). E_INVALIDARG for an
    // extension that names none.
    STDMETHOD(SetContainer)(LPCWSTR extension) = 0;
    // A tag of the file: "title", "artist", "album" or "track" ("3/12"); E_INVALIDARG
    // for another name. S_FALSE when the file keeps no tags.
    STDMETHOD(SetTag)(LPCWSTR name, LPCWSTR value) = 0;
    // A chapter that begins `position` UTF-16 units into the text of the next
    // plain-text request spoken into the stream; added in the order of their
    // positions. Its time in the file is where its first sound is. S_FALSE when the
    // file keeps no chapters.
    STDMETHOD(AddChapter)(ULONG position, LPCWSTR title) = 0;

protected:
    ~ISpAudioFile() = default;
};
DECLARE_INTERFACE_IID(ISpAudioFile, "{5B7C2E41-9D3A-4C6F-8E21-7A4D0C9B3E58}");

struct ISpDataKey : IUnknown {
    // A null value name reads the key's default value; the string is CoTaskMemAlloc'd.
    STDMETHOD(GetStringValue)(LPCWSTR valueName, LPWSTR* value) = 0;

protected:
    ~ISpDataKey() = default;
};
DECLARE_INTERFACE_IID(ISpDataKey, "{14056581-E16C-11D2-BB90-00C04F8EE6C0}");

struct ISpObjectToken : ISpDataKey {
    STDMETHOD(GetId)(LPWSTR* tokenId) = 0;  // CoTaskMemAlloc'd

protected:
    ~ISpObjectToken() = default;
};
DECLARE_INTERFACE_IID(ISpObjectToken, "{14056589-E16C-11D2-BB90-00C04F8EE6C0}");
DECLARE_INTERFACE_BASE(ISpObjectToken, ISpDataKey);

struct IEnumSpObjectTokens : IUnknown {
    STDMETHOD(Next)(ULONG count, ISpObjectToken** tokens, ULONG* fetched) = 0;
    STDMETHOD(Skip)(ULONG count) = 0;
    STDMETHOD(Reset)() = 0;
    STDMETHOD(Item)(ULONG index, ISpObjectToken** token) = 0;
    STDMETHOD(GetCount)(ULONG* count) = 0;

protected:
    ~IEnumSpObjectTokens() = default;
};
DECLARE_INTERFACE_IID(IEnumSpObjectTokens, "{06B64F9E-7FDA-11D2-B4F2-00C04F797396}");

struct ISpObjectTokenCategory : ISpDataKey {
    STDMETHOD(SetId)(LPCWSTR categoryId, BOOL createIfNotExist) = 0;
    STDMETHOD(GetId)(LPWSTR* categoryId) = 0;
    STDMETHOD(EnumTokens)(LPCWSTR requiredAttributes, LPCWSTR optionalAttributes,
                          IEnumSpObjectTokens** tokens) = 0;

protected:
    ~ISpObjectTokenCategory() = default;
};
DECLARE_INTERFACE_IID(ISpObjectTokenCategory, "{2D3D3845-39AF-4850-BBF9-40B49780011D}");
DECLARE_INTERFACE_BASE(ISpObjectTokenCategory, ISpDataKey);

// What a voice is doing; positions count UTF-16 units of the current request's text.
struct SPVOICESTATUS {
    ULONG ulCurrentStream;     // stream number of the request being spoken, 0 when none
    ULONG ulLastStreamQueued;  // stream number of the last request queued
    HRESULT hrLastResult;      // result of the last request that finished
    DWORD dwRunningState;      // SPRS_*
    ULONG ulInputWordPos;      // the word being heard (or written, into a file) and its length
    ULONG ulInputWordLen;
    ULONG ulInputSentPos;      // its sentence
    ULONG ulInputSentLen;
    LONG lBookmarkId;
    WCHAR PhonemeId;
    DWORD VisemeId;
    DWORD dwReserved1;
    DWORD dwReserved2;
};

// One event: 16-bit fields first, as the SDK lays them out.
struct SPEVENT {
    SPEVENTENUM eEventId;
    SPEVENTLPARAMTYPE elParamType;
    ULONG ulStreamNum;               // the request's stream number
    ULONGLONG ullAudioStreamOffset;  // bytes of the output's format from the stream's start
    WPARAM wParam;
    LPARAM lParam;
};

struct SPEVENTSOURCEINFO {
    ULONGLONG ullEventInterest;
    ULONGLONG ullQueuedInterest;
    ULONG ulCount;  // events waiting in the queue
};

// Tells a window that a voice has news: the message is posted from the voice's own
// threads each time one of its requests ends (its input stream is done), whatever
// the result, and each time events of interest are queued; GetStatus and GetEvents
// then tell what happened. A null window stops the messages.
struct ISpNotifySource : IUnknown {
    STDMETHOD(SetNotifyWindowMessage)(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;

protected:
    ~ISpNotifySource() = default;
};
DECLARE_INTERFACE_IID(ISpNotifySource, "{5EFF4AEF-8487-11D2-961C-00C04F8EE628}");

// The events of a voice: those in the queued interest wait in a queue until fetched.
// Both interests start empty.
struct ISpEventSource : ISpNotifySource {
    // E_INVALIDARG when the queued interest is not part of the event interest.
    STDMETHOD(SetInterest)(ULONGLONG eventInterest, ULONGLONG queuedInterest) = 0;
    // Takes up to `count` events from the queue, oldest first: S_OK when that many
    // came, S_FALSE when fewer.
    STDMETHOD(GetEvents)(ULONG count, SPEVENT* events, ULONG* fetched) = 0;
    STDMETHOD(GetInfo)(SPEVENTSOURCEINFO* info) = 0;

protected:
    ~ISpEventSource() = default;
};
DECLARE_INTERFACE_IID(ISpEventSource, "{BE7A9CCE-5F9E-11D2-960F-00C04F8EE628}");
DECLARE_INTERFACE_BASE(ISpEventSource, ISpNotifySource);

struct ISpVoice : ISpEventSource {
    STDMETHOD(SetOutput)(IUnknown* output, BOOL allowFormatChanges) = 0;
    STDMETHOD(GetOutputStream)(ISpStreamFormat** stream) = 0;
    STDMETHOD(SetVoice)(ISpObjectToken* token) = 0;
    STDMETHOD(GetVoice)(ISpObjectToken** token) = 0;
    // Pauses the output, counted: output goes on once each Pause has had its Resume.
    // A pause while idle holds the next request; a purge ends the pause.
    STDMETHOD(Pause)() = 0;
    STDMETHOD(Resume)() = 0;
    STDMETHOD(Speak)(LPCWSTR text, DWORD flags, ULONG* streamNumber) = 0;
    STDMETHOD(SetRate)(LONG rate) = 0;
    STDMETHOD(GetRate)(LONG* rate) = 0;
    STDMETHOD(SetVolume)(USHORT volume) = 0;
    STDMETHOD(GetVolume)(USHORT* volume) = 0;
    STDMETHOD(WaitUntilDone)(ULONG timeoutMs) = 0;
    // `bookmark` may be null; a string it receives is CoTaskMemAlloc'd.
    STDMETHOD(GetStatus)(SPVOICESTATUS* status, LPWSTR* bookmark) = 0;

protected:
    ~ISpVoice() = default;
};
DECLARE_INTERFACE_IID(ISpVoice, "{6C44DF74-72B9-4992-A1EC-EF996E0422D4}");
DECLARE_INTERFACE_BASE(ISpVoice, ISpEventSource);

// ---- classes ----------------------------------------------------------------

inline constexpr CLSID CLSID_SpVoice = MakeGuid("{96749377-3391-11D2-9EE3-00C04F797396}");
inline constexpr CLSID CLSID_SpObjectTokenCategory = MakeGuid("{A910187F-0C7A-45AC-92CC-59EDAFB77B53}");
inline constexpr CLSID CLSID_SpStream = MakeGuid("{715D9C59-4442-11D2-9605-00C04F8EE628}");
// Another name of the WAV file stream class.
inline constexpr CLSID CLSID_SpFileStream = MakeGuid("{947812B3-2AE1-4644-BA86-9E90DED7EC91}");
inline constexpr CLSID CLSID_SpMMAudioOut = MakeGuid("{A8C680EB-3D32-11D2-9EE7-00C04F797396}");
