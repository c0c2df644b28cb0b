#pragma once

namespace kor {

class ConfigPersistence;

// The service's one persisted-settings store: absent until the first
// settings load creates it, saved and destroyed at shut-down. The INI reads
// and writes that must see it are handed it.

// The store, created when absent.
ConfigPersistence& EnsurePersistenceStore();

// The store, or null while absent.
ConfigPersistence* PersistenceStore();

// Saves the store when it exists (writing "PersistedSettings.json" when a
// persisted value changed), then destroys it.
void SaveAndDestroyPersistenceStore();

}  // namespace kor
