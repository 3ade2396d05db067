# Tests of src/trigger, compiled into vexlo-core-tests.
