# Qt-free sources of src/files, compiled into vexlo_core.
