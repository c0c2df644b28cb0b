#include "plugin/PersistenceStore.h"

#include <memory>

#include "config/ConfigPersistence.h"

namespace kor {
namespace {

std::unique_ptr<ConfigPersistence>& Store() {
    static std::unique_ptr<ConfigPersistence> store;
    return store;
}

}  // namespace

ConfigPersistence& EnsurePersistenceStore() {
    std::unique_ptr<ConfigPersistence>& store = Store();
    if (!store) store = std::make_unique<ConfigPersistence>();
    return *store;
}

ConfigPersistence* PersistenceStore() { return Store().get(); }

void SaveAndDestroyPersistenceStore() {
    std::unique_ptr<ConfigPersistence>& store = Store();
    if (!store) return;
    // Destroyed even when the save throws: a store that outlived its
    // plug-in would answer the next plug-in's reads.
    std::unique_ptr<ConfigPersistence> doomed = std::move(store);
    doomed->SavePersistedSettings();
}

}  // namespace kor
