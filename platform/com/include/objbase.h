// The COM runtime: apartments, object creation, class objects of local
// servers, the task allocator.
#pragma once

#include <unknwn.h>
#include <wtypes.h>

enum CLSCTX : DWORD {
    CLSCTX_INPROC_SERVER = 0x1,
    CLSCTX_INPROC_HANDLER = 0x2,
    CLSCTX_LOCAL_SERVER = 0x4,
    CLSCTX_REMOTE_SERVER = 0x10,
    CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
    CLSCTX_SERVER = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
    CLSCTX_ALL = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
};

enum COINIT : DWORD {
    COINIT_MULTITHREADED = 0x0,
    COINIT_APARTMENTTHREADED = 0x2,
    COINIT_DISABLE_OLE1DDE = 0x4,
    COINIT_SPEED_OVER_MEMORY = 0x8,
};

// Per thread and counted: S_OK for the first call, S_FALSE for each further one in the
// same model, RPC_E_CHANGED_MODE (not counted) when asking for the other model.
// CoInitialize is CoInitializeEx with COINIT_APARTMENTTHREADED.
HRESULT CoInitialize(LPVOID reserved);
HRESULT CoInitializeEx(LPVOID reserved, DWORD coinit);
// Undoes one successful CoInitialize[Ex] of this thread; extra calls do nothing.
void CoUninitialize();

// The class object is looked for in this order: one registered with
// CoRegisterClassObject in the calling apartment for one of the contexts (used
// directly, no proxy); an in-process class of the class table (class_table.h)
// for CLSCTX_INPROC_*; for CLSCTX_LOCAL_SERVER, a class object another
// apartment or process of the same user registered for it, else the program
// the registry names in HKEY_CLASSES_ROOT\CLSID\{clsid}\LocalServer32, started
// with " /Embedding" appended, waited for up to 30 seconds. A local server's
// objects come as proxies that carry IUnknown, IDispatch and IClassFactory.
// Both fail with CO_E_NOTINITIALIZED on a thread that has not initialised COM,
// REGDB_E_CLASSNOTREG when nothing is registered for the class in those
// contexts, CO_E_SERVER_EXEC_FAILURE when the local server cannot be started,
// ends before it registers, or does not register in time.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsctx, REFIID riid, LPVOID* object);
HRESULT CoGetClassObject(REFCLSID clsid, DWORD clsctx, LPVOID reserved, REFIID riid, LPVOID* object);

// ---- class objects of a server ---------------------------------------------------

enum REGCLS : DWORD {
    REGCLS_SINGLEUSE = 0,      // serves one client's connection, then leaves public view
    REGCLS_MULTIPLEUSE = 1,    // serves every client until revoked
    REGCLS_MULTI_SEPARATE = 2,
    REGCLS_SUSPENDED = 4,
    REGCLS_SURROGATE = 8,
};

// Makes a class object available; the registration holds a reference to it.
// In the registering apartment it serves CoGetClassObject for its contexts (a
// multiple-use one for CLSCTX_INPROC_SERVER too). For CLSCTX_LOCAL_SERVER it
// listens on a socket in the user's private folder ($XDG_RUNTIME_DIR/varnel-com)
// and serves other apartments and processes of the same user: their requests
// run on the registering thread inside whatever message loop it runs (those of
// a multithreaded apartment, on a runtime thread). A single-use object serves
// the first client that connects and then leaves that folder, so the next
// client starts another server; its cookie stays valid. The last
// CoUninitialize of the apartment revokes what it registered and releases
// what clients held of its objects.
// CO_E_NOTINITIALIZED on a thread without COM, E_INVALIDARG for a null object
// or cookie, CO_E_OBJISREG when the class is registered in this apartment for
// one of the contexts already, E_ACCESSDENIED when the socket folder is not the
// user's alone (another owner, a link, or open to group or others).
HRESULT CoRegisterClassObject(REFCLSID clsid, LPUNKNOWN object, DWORD clsctx, DWORD flags, LPDWORD cookie);
// Withdraws a registration and releases its reference; objects already handed
// out live on. E_INVALIDARG for an unknown cookie, RPC_E_WRONG_THREAD from
// another apartment than the registering one.
HRESULT CoRevokeClassObject(DWORD cookie);

// The task allocator: blocks that cross interfaces, freed by whoever receives them.
LPVOID CoTaskMemAlloc(SIZE_T size);
// A null block allocates; size 0 frees the block and gives nullptr; on failure the
// old block is left as it was and nullptr is returned.
LPVOID CoTaskMemRealloc(LPVOID block, SIZE_T size);
void CoTaskMemFree(LPVOID block);

// ---- class identifiers as text ----------------------------------------------------

// Writes "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" and its terminator into buffer;
// the number of units written (39), or 0 when the buffer is too small.
int StringFromGUID2(REFGUID guid, LPOLESTR buffer, int size);
// The same text in a block from CoTaskMemAlloc.
HRESULT StringFromCLSID(REFCLSID clsid, LPOLESTR* text);
HRESULT StringFromIID(REFIID iid, LPOLESTR* text);
// A braced GUID, or else a ProgID; CO_E_CLASSSTRING when it is neither. A null text
// gives GUID_NULL.
HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid);
HRESULT IIDFromString(LPCOLESTR text, IID* iid);
// The class of a ProgID: the class table's in-process classes first (the engine's
// classes need no setup), then the registry (HKEY_CLASSES_ROOT\<ProgID>\CLSID).
// CO_E_CLASSSTRING when unknown, E_INVALIDARG for null arguments.
HRESULT CLSIDFromProgID(LPCOLESTR progId, LPCLSID clsid);
// The ProgID of a class (class table, then registry) in a block from CoTaskMemAlloc;
// REGDB_E_CLASSNOTREG when it has none.
HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId);
