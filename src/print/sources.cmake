# Qt-free sources of src/print, compiled into vexlo_core.
