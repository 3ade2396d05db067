# Tests of src/files, compiled into vexlo-core-tests.
