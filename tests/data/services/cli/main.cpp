// The command-line tool's main builds the services and may name the store.
ProfileStore& store = ProfileStore::instance();
