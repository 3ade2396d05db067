# Thin wrapper around CMake. `make run` and `make test` each do all of their own set-up.
BUILD ?= build
SAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
WIN_BUILD ?= build-windows
# Seconds each fuzz target runs in `make fuzz`.
FUZZ_SECONDS ?= 60
JOBS ?= $(shell nproc)
# Extra CMake options, e.g. CMAKE_OPTIONS=-DVEXLO_WERROR=ON (CI).
CMAKE_OPTIONS ?=

# Debian packages by what needs them, so that each target installs only its own: building and
# running the program; the tests (the package test among them, and the desktop and Xvfb tools);
# the benchmarks; the Debian package; the fuzzers.
RUN_PACKAGES := cmake ninja-build g++ pkg-config \
	qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libqt6serialport6 libqt6opengl6-dev qt6-charts-dev \
	libgl-dev fonts-ipafont-gothic qt6-translations-l10n
PACKAGE_PACKAGES := dpkg-dev desktop-file-utils shared-mime-info lintian
TEST_PACKAGES := libgtest-dev libgmock-dev xvfb xauth twm xdotool tshark wireshark-common xxd time \
	poppler-utils python3-pymodbus $(PACKAGE_PACKAGES)
BENCH_PACKAGES := libbenchmark-dev
FUZZ_PACKAGES := clang libfuzzer-14-dev libclang-rt-14-dev

# What `make windows` needs: the MinGW-w64 cross compiler, Wine and GoogleTest's sources.
WIN_PACKAGES := cmake ninja-build googletest g++-mingw-w64-x86-64-posix wine64

SUDO := $(shell [ "$$(id -u)" = 0 ] || echo sudo)

# Installs those of the Debian packages $(1) that are missing.
define install-missing
	@missing=""; for p in $(1); do \
		dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q 'install ok installed' || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
		echo "Installing:$$missing"; \
		$(SUDO) apt-get update -qq && \
		DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq --no-install-recommends $$missing; \
	fi
endef

.PHONY: deps deps-run build build-program test bench run asan fuzz windows clean format package install screenshots

# What `make build` needs: the program, its tests and its benchmarks.
deps:
	$(call install-missing,$(RUN_PACKAGES) $(TEST_PACKAGES) $(BENCH_PACKAGES))

deps-run:
	$(call install-missing,$(RUN_PACKAGES))

# Configured every time, so that the options given (CMAKE_OPTIONS) always apply, also to a
# build folder that exists; an unchanged configuration costs a second.
build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXLO_BUILD_TESTS=ON \
		-DVEXLO_BUILD_BENCH=ON $(CMAKE_OPTIONS)
	cmake --build $(BUILD) -j $(JOBS)

# The program and its tools only. A fresh build folder is configured without the tests and the
# benchmarks (whose packages `make run` does not install); one that has them keeps them.
build-program: deps-run
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		$(if $(wildcard $(BUILD)/CMakeCache.txt),,-DVEXLO_BUILD_TESTS=OFF -DVEXLO_BUILD_BENCH=OFF) $(CMAKE_OPTIONS)
	cmake --build $(BUILD) -j $(JOBS) --target vexlo vexlo-unit vexlo-cli EMUMAIN

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The Debian package $(BUILD)/vexlo_<version>_<arch>.deb.
package: build
	$(call install-missing,$(PACKAGE_PACKAGES))
	cmake --build $(BUILD) --target package

# Installs under PREFIX (default /usr/local), below DESTDIR when it is given.
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) $(if $(PREFIX),--prefix "$(PREFIX)")

bench: build
	$(BUILD)/bin/vexlo-bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

# Every suite under AddressSanitizer and UndefinedBehaviorSanitizer (no benchmarks).
asan:
	$(call install-missing,$(RUN_PACKAGES) $(TEST_PACKAGES))
	cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVEXLO_SANITIZE=ON \
		-DVEXLO_BUILD_BENCH=OFF $(CMAKE_OPTIONS)
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Every libFuzzer target for FUZZ_SECONDS each, from the seeds in fuzz/corpus (clang, in a build
# folder of its own; the corpus grown goes to $(FUZZ_BUILD)/corpus, crashes to
# $(FUZZ_BUILD)/findings). fuzz/run-fuzzers.sh --help tells more.
fuzz:
	$(call install-missing,$(RUN_PACKAGES) $(FUZZ_PACKAGES))
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DVEXLO_FUZZ=ON -DVEXLO_BUILD_TESTS=OFF -DVEXLO_BUILD_BENCH=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target vexlo-fuzzers
	fuzz/run-fuzzers.sh --seconds $(FUZZ_SECONDS) $(FUZZ_BUILD)

# The Qt-free core and its tests cross-compiled for 64-bit Windows (MinGW-w64), then run
# under Wine in a prefix made afresh in $(WIN_BUILD)/wine; no display is needed.
windows:
	$(call install-missing,$(WIN_PACKAGES))
	cmake -S . -B $(WIN_BUILD) -G Ninja -DCMAKE_TOOLCHAIN_FILE=tools/windows/mingw-w64.cmake \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXLO_CORE_ONLY=ON $(CMAKE_OPTIONS)
	cmake --build $(WIN_BUILD) -j $(JOBS)
	rm -rf $(WIN_BUILD)/wine
	cd $(WIN_BUILD) && ctest --output-on-failure

run: build-program
	tools/demo/run-demo.sh $(BUILD)/bin $(BUILD)/demo

# The pictures of docs/guide.md, taken of the real windows offscreen on the fixed captures of
# tools/docs/captures (tools/docs/make-captures.sh records new ones).
screenshots: build
	QT_QPA_PLATFORM=offscreen $(BUILD)/bin/vexlo-screenshots --out docs/images --captures tools/docs/captures

format:
	find src tools tests bench fuzz \( -name '*.cpp' -o -name '*.h' \) | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD) $(WIN_BUILD)
