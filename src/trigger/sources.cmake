# Qt-free sources of src/trigger, compiled into vexlo_core.
