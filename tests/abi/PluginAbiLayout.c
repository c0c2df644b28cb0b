/* The boundary records' sizes and offsets as the host expects them on 32-bit
 * x86. Compiled by scripts/test with the i686 compiler (as C and as C++), and
 * as part of every build: the 32-bit one applies all of them, a 64-bit one,
 * where pointers are wider, only the packing checks. Plain C11 so that the header is also proven to compile as C. */
#include <stddef.h>

#include "abi/PluginAbi.h"

#ifdef __cplusplus
#define KOR_LAYOUT_ASSERT(condition) static_assert(condition, #condition)
#else
#define KOR_LAYOUT_ASSERT(condition) _Static_assert(condition, #condition)
#endif

/* Packed on every platform: no field starts later than the previous ends. */
KOR_LAYOUT_ASSERT(sizeof(BindingPlainValue) == 4 + 8 + (sizeof(void*) > 4 ? 4 : 0));
KOR_LAYOUT_ASSERT(offsetof(BindingPlainMember, value) == sizeof(void*));
KOR_LAYOUT_ASSERT(sizeof(BindingPlainMember) == sizeof(void*) + sizeof(BindingPlainValue) + 1);

#if defined(__SIZEOF_POINTER__) && __SIZEOF_POINTER__ == 4

/* Plain value: 12 bytes; member 17. */
KOR_LAYOUT_ASSERT(sizeof(BindingPlainValue) == 12);
KOR_LAYOUT_ASSERT(offsetof(BindingPlainValue, kind) == 0);
KOR_LAYOUT_ASSERT(offsetof(BindingPlainValue, payload) == 4);
KOR_LAYOUT_ASSERT(offsetof(BindingPlainValue, payload.string.length) == 8);
KOR_LAYOUT_ASSERT(offsetof(BindingPlainValue, payload.collection.count) == 8);
KOR_LAYOUT_ASSERT(sizeof(BindingPlainMember) == 17);
KOR_LAYOUT_ASSERT(offsetof(BindingPlainMember, name) == 0);
KOR_LAYOUT_ASSERT(offsetof(BindingPlainMember, value) == 4);
KOR_LAYOUT_ASSERT(offsetof(BindingPlainMember, ownsName) == 16);

/* Argument entries of a request: 16 bytes; headers 8. */
KOR_LAYOUT_ASSERT(sizeof(PluginArgument) == 16);
KOR_LAYOUT_ASSERT(offsetof(PluginArgument, value) == 4);
KOR_LAYOUT_ASSERT(sizeof(PluginHeader) == 8);
KOR_LAYOUT_ASSERT(offsetof(PluginHeader, value) == 4);

/* Request record: 48 bytes. */
KOR_LAYOUT_ASSERT(sizeof(PluginRequest) == 48);
KOR_LAYOUT_ASSERT(offsetof(PluginRequest, method) == 0);
KOR_LAYOUT_ASSERT(offsetof(PluginRequest, url) == 4);
KOR_LAYOUT_ASSERT(offsetof(PluginRequest, args) == 8);
KOR_LAYOUT_ASSERT(offsetof(PluginRequest, argCount) == 12);
KOR_LAYOUT_ASSERT(offsetof(PluginRequest, callContext) == 16);
KOR_LAYOUT_ASSERT(offsetof(PluginRequest, headers) == 20);
KOR_LAYOUT_ASSERT(offsetof(PluginRequest, headerCount) == 24);
KOR_LAYOUT_ASSERT(offsetof(PluginRequest, contentType) == 28);
KOR_LAYOUT_ASSERT(offsetof(PluginRequest, body) == 32);
KOR_LAYOUT_ASSERT(offsetof(PluginRequest, bodySize) == 36);
KOR_LAYOUT_ASSERT(offsetof(PluginRequest, callWord) == 40);
KOR_LAYOUT_ASSERT(offsetof(PluginRequest, customMethod) == 44);

/* Response record: 62 bytes. */
KOR_LAYOUT_ASSERT(sizeof(PluginResponse) == 62);
KOR_LAYOUT_ASSERT(offsetof(PluginResponse, value) == 0);
KOR_LAYOUT_ASSERT(offsetof(PluginResponse, error) == 12);
KOR_LAYOUT_ASSERT(offsetof(PluginResponse, errorFlag) == 16);
KOR_LAYOUT_ASSERT(offsetof(PluginResponse, resultFlags) == 17);
KOR_LAYOUT_ASSERT(offsetof(PluginResponse, format) == 18);
KOR_LAYOUT_ASSERT(offsetof(PluginResponse, status) == 22);
KOR_LAYOUT_ASSERT(offsetof(PluginResponse, statusMessage) == 26);
KOR_LAYOUT_ASSERT(offsetof(PluginResponse, headers) == 30);
KOR_LAYOUT_ASSERT(offsetof(PluginResponse, headerCount) == 34);
KOR_LAYOUT_ASSERT(offsetof(PluginResponse, streamRead) == 38);
KOR_LAYOUT_ASSERT(offsetof(PluginResponse, streamDestroy) == 42);
KOR_LAYOUT_ASSERT(offsetof(PluginResponse, streamSizeHint) == 46);
KOR_LAYOUT_ASSERT(offsetof(PluginResponse, stream) == 54);
KOR_LAYOUT_ASSERT(offsetof(PluginResponse, release) == 58);

/* Event record: 24 bytes. */
KOR_LAYOUT_ASSERT(sizeof(PluginEvent) == 24);
KOR_LAYOUT_ASSERT(offsetof(PluginEvent, name) == 0);
KOR_LAYOUT_ASSERT(offsetof(PluginEvent, payload) == 4);
KOR_LAYOUT_ASSERT(offsetof(PluginEvent, reserved) == 16);
KOR_LAYOUT_ASSERT(offsetof(PluginEvent, context) == 20);

/* Host table: ten entries; host object two words; callbacks three. */
KOR_LAYOUT_ASSERT(sizeof(PluginHostTable) == 40);
KOR_LAYOUT_ASSERT(offsetof(PluginHostTable, sendRequest) == 0);
KOR_LAYOUT_ASSERT(offsetof(PluginHostTable, entry1) == 4);
KOR_LAYOUT_ASSERT(offsetof(PluginHostTable, fireEvent) == 8);
KOR_LAYOUT_ASSERT(offsetof(PluginHostTable, subscribeEvent) == 12);
KOR_LAYOUT_ASSERT(offsetof(PluginHostTable, unsubscribeEvent) == 16);
KOR_LAYOUT_ASSERT(offsetof(PluginHostTable, entry5) == 20);
KOR_LAYOUT_ASSERT(offsetof(PluginHostTable, yield) == 24);
KOR_LAYOUT_ASSERT(offsetof(PluginHostTable, beginWait) == 28);
KOR_LAYOUT_ASSERT(offsetof(PluginHostTable, endWait) == 32);
KOR_LAYOUT_ASSERT(offsetof(PluginHostTable, log) == 36);
KOR_LAYOUT_ASSERT(sizeof(PluginHost) == 8);
KOR_LAYOUT_ASSERT(offsetof(PluginHost, handle) == 4);
KOR_LAYOUT_ASSERT(sizeof(PluginCallbacks) == 12);
KOR_LAYOUT_ASSERT(offsetof(PluginCallbacks, shutdown) == 4);
KOR_LAYOUT_ASSERT(offsetof(PluginCallbacks, memoryStats) == 8);

/* Context block: seven words, 28 bytes. */
KOR_LAYOUT_ASSERT(sizeof(PluginHostContext) == 28);
KOR_LAYOUT_ASSERT(offsetof(PluginHostContext, apiMajor) == 0);
KOR_LAYOUT_ASSERT(offsetof(PluginHostContext, apiMinor) == 4);
KOR_LAYOUT_ASSERT(offsetof(PluginHostContext, apiPatch) == 8);
KOR_LAYOUT_ASSERT(offsetof(PluginHostContext, callbacks) == 12);
KOR_LAYOUT_ASSERT(offsetof(PluginHostContext, plugin) == 16);
KOR_LAYOUT_ASSERT(offsetof(PluginHostContext, name) == 20);
KOR_LAYOUT_ASSERT(offsetof(PluginHostContext, api) == 24);

/* API description: 24 bytes. */
KOR_LAYOUT_ASSERT(sizeof(PluginApiDescription) == 24);
KOR_LAYOUT_ASSERT(offsetof(PluginApiDescription, functions) == 0);
KOR_LAYOUT_ASSERT(offsetof(PluginApiDescription, functionCount) == 4);
KOR_LAYOUT_ASSERT(offsetof(PluginApiDescription, types) == 8);
KOR_LAYOUT_ASSERT(offsetof(PluginApiDescription, typeCount) == 12);
KOR_LAYOUT_ASSERT(offsetof(PluginApiDescription, events) == 16);
KOR_LAYOUT_ASSERT(offsetof(PluginApiDescription, eventCount) == 20);

/* Function entry: 90 bytes; its record 61. */
KOR_LAYOUT_ASSERT(sizeof(PluginFunctionEntry) == 90);
KOR_LAYOUT_ASSERT(offsetof(PluginFunctionEntry, record) == 0);
KOR_LAYOUT_ASSERT(offsetof(PluginFunctionEntry, invoke) == 61);
KOR_LAYOUT_ASSERT(offsetof(PluginFunctionEntry, reserved) == 65);
KOR_LAYOUT_ASSERT(sizeof(PluginFunctionRecord) == 61);
KOR_LAYOUT_ASSERT(offsetof(PluginFunctionRecord, next) == 0);
KOR_LAYOUT_ASSERT(offsetof(PluginFunctionRecord, reserved) == 4);
KOR_LAYOUT_ASSERT(offsetof(PluginFunctionRecord, callContext) == 8);
KOR_LAYOUT_ASSERT(offsetof(PluginFunctionRecord, name) == 12);
KOR_LAYOUT_ASSERT(offsetof(PluginFunctionRecord, nameSpace) == 16);
KOR_LAYOUT_ASSERT(offsetof(PluginFunctionRecord, args) == 20);
KOR_LAYOUT_ASSERT(offsetof(PluginFunctionRecord, argCount) == 24);
KOR_LAYOUT_ASSERT(offsetof(PluginFunctionRecord, returnType) == 28);
KOR_LAYOUT_ASSERT(offsetof(PluginFunctionRecord, returnElementType) == 32);
KOR_LAYOUT_ASSERT(offsetof(PluginFunctionRecord, returnTypeName) == 36);
KOR_LAYOUT_ASSERT(offsetof(PluginFunctionRecord, description) == 40);
KOR_LAYOUT_ASSERT(offsetof(PluginFunctionRecord, help) == 44);
KOR_LAYOUT_ASSERT(offsetof(PluginFunctionRecord, threadSafe) == 48);
KOR_LAYOUT_ASSERT(offsetof(PluginFunctionRecord, asyncType) == 49);
KOR_LAYOUT_ASSERT(offsetof(PluginFunctionRecord, tags) == 53);
KOR_LAYOUT_ASSERT(offsetof(PluginFunctionRecord, tagCount) == 57);

/* Argument record: 25 bytes. */
KOR_LAYOUT_ASSERT(sizeof(PluginArgumentRecord) == 25);
KOR_LAYOUT_ASSERT(offsetof(PluginArgumentRecord, next) == 0);
KOR_LAYOUT_ASSERT(offsetof(PluginArgumentRecord, name) == 4);
KOR_LAYOUT_ASSERT(offsetof(PluginArgumentRecord, description) == 8);
KOR_LAYOUT_ASSERT(offsetof(PluginArgumentRecord, type) == 12);
KOR_LAYOUT_ASSERT(offsetof(PluginArgumentRecord, elementType) == 16);
KOR_LAYOUT_ASSERT(offsetof(PluginArgumentRecord, typeName) == 20);
KOR_LAYOUT_ASSERT(offsetof(PluginArgumentRecord, optional) == 24);

/* Type record: 40 bytes. */
KOR_LAYOUT_ASSERT(sizeof(PluginTypeRecord) == 40);
KOR_LAYOUT_ASSERT(offsetof(PluginTypeRecord, next) == 0);
KOR_LAYOUT_ASSERT(offsetof(PluginTypeRecord, name) == 4);
KOR_LAYOUT_ASSERT(offsetof(PluginTypeRecord, nameSpace) == 8);
KOR_LAYOUT_ASSERT(offsetof(PluginTypeRecord, size) == 12);
KOR_LAYOUT_ASSERT(offsetof(PluginTypeRecord, description) == 16);
KOR_LAYOUT_ASSERT(offsetof(PluginTypeRecord, tags) == 20);
KOR_LAYOUT_ASSERT(offsetof(PluginTypeRecord, tagCount) == 24);
KOR_LAYOUT_ASSERT(offsetof(PluginTypeRecord, fields) == 28);
KOR_LAYOUT_ASSERT(offsetof(PluginTypeRecord, enumerators) == 32);
KOR_LAYOUT_ASSERT(offsetof(PluginTypeRecord, count) == 36);

/* Field record: 29 bytes. */
KOR_LAYOUT_ASSERT(sizeof(PluginFieldRecord) == 29);
KOR_LAYOUT_ASSERT(offsetof(PluginFieldRecord, next) == 0);
KOR_LAYOUT_ASSERT(offsetof(PluginFieldRecord, name) == 4);
KOR_LAYOUT_ASSERT(offsetof(PluginFieldRecord, description) == 8);
KOR_LAYOUT_ASSERT(offsetof(PluginFieldRecord, offset) == 12);
KOR_LAYOUT_ASSERT(offsetof(PluginFieldRecord, type) == 16);
KOR_LAYOUT_ASSERT(offsetof(PluginFieldRecord, elementType) == 20);
KOR_LAYOUT_ASSERT(offsetof(PluginFieldRecord, typeName) == 24);
KOR_LAYOUT_ASSERT(offsetof(PluginFieldRecord, optional) == 28);

/* Enumerator record: 16 bytes. */
KOR_LAYOUT_ASSERT(sizeof(PluginEnumeratorRecord) == 16);
KOR_LAYOUT_ASSERT(offsetof(PluginEnumeratorRecord, next) == 0);
KOR_LAYOUT_ASSERT(offsetof(PluginEnumeratorRecord, name) == 4);
KOR_LAYOUT_ASSERT(offsetof(PluginEnumeratorRecord, description) == 8);
KOR_LAYOUT_ASSERT(offsetof(PluginEnumeratorRecord, number) == 12);

/* Event description record: 28 bytes. */
KOR_LAYOUT_ASSERT(sizeof(PluginEventRecord) == 28);
KOR_LAYOUT_ASSERT(offsetof(PluginEventRecord, next) == 0);
KOR_LAYOUT_ASSERT(offsetof(PluginEventRecord, name) == 4);
KOR_LAYOUT_ASSERT(offsetof(PluginEventRecord, nameSpace) == 8);
KOR_LAYOUT_ASSERT(offsetof(PluginEventRecord, payloadTypeName) == 12);
KOR_LAYOUT_ASSERT(offsetof(PluginEventRecord, description) == 16);
KOR_LAYOUT_ASSERT(offsetof(PluginEventRecord, tags) == 20);
KOR_LAYOUT_ASSERT(offsetof(PluginEventRecord, tagCount) == 24);

#endif

/* A translation unit must declare something. */
typedef int kor_plugin_abi_layout_checked;
