/* The host boundary: every record and function type that crosses between the
 * host and the plug-in. Plain C (C11 and C++), packed, no dependency beyond
 * <stdint.h>. Built for 32-bit x86 every size and offset equals the wire
 * layout the host expects; on 64-bit both sides use this same header. */
#ifndef KOR_PLUGIN_ABI_H
#define KOR_PLUGIN_ABI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#pragma pack(push, 1)

typedef struct BindingPlainValue BindingPlainValue;
typedef struct BindingPlainMember BindingPlainMember;
struct BindingPlainValue {
    uint32_t kind;                      /* 0..10 */
    union {
        uint8_t  boolValue;             /* kind 1 */
        int64_t  signedValue;           /* kind 2 */
        uint64_t unsignedValue;         /* kind 3 */
        double   floatValue;            /* kind 4 */
        struct { const char* text; uint32_t length; } string;             /* 5, 6 */
        struct { const uint8_t* data; uint32_t size; } blob;              /* 7, 8 */
        struct { BindingPlainValue* items; uint32_t count; } collection;  /* 9 */
        struct { BindingPlainMember* members; uint32_t count; } structure;/* 10 */
    } payload;
};
struct BindingPlainMember { const char* name; BindingPlainValue value; uint8_t ownsName; };

typedef struct PluginArgument { const char* name; BindingPlainValue value; } PluginArgument;
typedef struct PluginHeader   { const char* name; const char* value; } PluginHeader;

typedef struct PluginRequest {
    uint32_t method; const char* url;
    const PluginArgument* args; uint32_t argCount;
    const void* callContext;
    const PluginHeader* headers; uint32_t headerCount;
    const char* contentType; const uint8_t* body; uint32_t bodySize;
    uintptr_t callWord; const char* customMethod;
} PluginRequest;

typedef uint8_t (*PluginStreamReadFn)(void* stream, void* buffer, uint32_t* length, uint8_t* more);
typedef void    (*PluginStreamDestroyFn)(void* stream);
typedef struct PluginResponse PluginResponse;
typedef void    (*PluginResponseReleaseFn)(PluginResponse* response);
struct PluginResponse {
    BindingPlainValue value; char* error; uint8_t errorFlag; uint8_t resultFlags;
    uint32_t format; uint32_t status; char* statusMessage;
    PluginHeader* headers; uint32_t headerCount;
    PluginStreamReadFn streamRead; PluginStreamDestroyFn streamDestroy;
    uint64_t streamSizeHint; void* stream; PluginResponseReleaseFn release;
};

typedef struct PluginEvent { const char* name; BindingPlainValue payload; uintptr_t reserved; void* context; } PluginEvent;
typedef void (*PluginDispatchFn)(const PluginEvent* event);

typedef struct PluginHostTable PluginHostTable;
struct PluginHostTable {
    void     (*sendRequest)(const PluginHostTable*, PluginResponse* response, const PluginRequest* request);
    void     (*entry1)(const PluginHostTable*, uintptr_t, uintptr_t);
    void     (*fireEvent)(const PluginHostTable*, const PluginEvent* event);
    void     (*subscribeEvent)(const PluginHostTable*, const char* name, uintptr_t handle,
                               PluginDispatchFn dispatch, void* context, uint32_t flags);
    void     (*unsubscribeEvent)(const PluginHostTable*, const char* name, uintptr_t handle);
    void     (*entry5)(const PluginHostTable*, uintptr_t, uintptr_t, uintptr_t, uint64_t, uintptr_t);
    void     (*yield)(const PluginHostTable*);
    void     (*beginWait)(const PluginHostTable*, const char* label, uintptr_t word);
    uint64_t (*endWait)(const PluginHostTable*);
    void     (*log)(const PluginHostTable*, int32_t level, const char* message);
};
typedef struct PluginHost { const PluginHostTable* table; uintptr_t handle; } PluginHost;

typedef struct PluginCallbacks {
    uint8_t (*initialize)(void* context, PluginHost* host);
    void    (*shutdown)(void* context);
    void    (*memoryStats)(void* context, uint32_t* output /* 14 words */);
} PluginCallbacks;

typedef struct PluginApiDescription PluginApiDescription;
typedef struct PluginHostContext {
    uintptr_t apiMajor, apiMinor, apiPatch;
    const PluginCallbacks* callbacks; void* plugin; const char* name;
    const PluginApiDescription* api;
} PluginHostContext;

/* API description: every record's first field `next` points to the following
   record of its array (null in the last one); arrays are also contiguous. */
typedef struct PluginEnumeratorRecord { const struct PluginEnumeratorRecord* next;
    const char* name; const char* description; int32_t number; } PluginEnumeratorRecord;
typedef struct PluginFieldRecord { const struct PluginFieldRecord* next;
    const char* name; const char* description; uint32_t offset; uint32_t type;
    uint32_t elementType; const char* typeName; uint8_t optional; } PluginFieldRecord;
typedef struct PluginTypeRecord { const struct PluginTypeRecord* next;
    const char* name; const char* nameSpace; uint32_t size; const char* description;
    const char* const* tags; uint32_t tagCount; const PluginFieldRecord* fields;
    const PluginEnumeratorRecord* enumerators; uint32_t count; } PluginTypeRecord;
typedef struct PluginArgumentRecord { const struct PluginArgumentRecord* next;
    const char* name; const char* description; uint32_t type; uint32_t elementType;
    const char* typeName; uint8_t optional; } PluginArgumentRecord;
typedef struct PluginFunctionRecord { const struct PluginFunctionRecord* next;
    uintptr_t reserved; const void* callContext; const char* name; const char* nameSpace;
    const PluginArgumentRecord* args; uint32_t argCount; uint32_t returnType;
    uint32_t returnElementType; const char* returnTypeName; const char* description;
    const char* help; uint8_t threadSafe; const char* asyncType;
    const char* const* tags; uint32_t tagCount; } PluginFunctionRecord;
typedef void (*PluginInvokeFn)(PluginResponse* response, const PluginRequest* request);
typedef struct PluginFunctionEntry { PluginFunctionRecord record; PluginInvokeFn invoke;
    uint8_t reserved[25]; } PluginFunctionEntry;
typedef struct PluginEventRecord { const struct PluginEventRecord* next;
    const char* name; const char* nameSpace; const char* payloadTypeName;
    const char* description; const char* const* tags; uint32_t tagCount; } PluginEventRecord;
struct PluginApiDescription {
    const PluginFunctionEntry* functions; uint32_t functionCount;
    const PluginTypeRecord* types; uint32_t typeCount;
    const PluginEventRecord* events; uint32_t eventCount;
};

#pragma pack(pop)

#ifdef __cplusplus
}  /* extern "C" */
#endif

#endif /* KOR_PLUGIN_ABI_H */
