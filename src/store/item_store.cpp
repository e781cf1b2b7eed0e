#include "store/item_store.h"

ItemStore& TheStore() {
    static ItemStore* const store = new ItemStore;
    return *store;
}
