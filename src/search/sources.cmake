# Qt-free sources of src/search, compiled into vexlo_core.
