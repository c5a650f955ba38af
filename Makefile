# The two commands: `make run` and `make test`. Both install what is missing first.
# `make run` installs and builds only what the programs need; `make test` adds the tests,
# the benchmarks and the fuzz targets with their packages. `make package` builds the
# Debian package with Debian's hardening flags in a build folder of its own;
# `make check-package` also installs it into a clean Debian 12 root and validates it (as
# root, with the network; takes a few minutes).
BUILD := build
PACKAGE_BUILD := build-package
JOBS ?= 2

.PHONY: run test build package check-package

# A new build folder of `make run` leaves the tests out; an existing one keeps its choice.
run:
	@scripts/install-deps.sh
	@cmake -S . -B $(BUILD) -G Ninja $(if $(wildcard $(BUILD)/CMakeCache.txt),,-DTESSALY_TESTS=OFF) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target programs
	@scripts/run.sh

test:
	@scripts/install-deps.sh --test
	@cmake -S . -B $(BUILD) -G Ninja -DTESSALY_TESTS=ON -DTESSALY_WERROR=ON >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)
	@JOBS=$(JOBS) scripts/test.sh

# The package is built with the flags Debian builds its packages with (stack protector,
# fortified functions, read-only relocations bound at start-up, PIE).
build:
	@scripts/install-deps.sh --package
	@scripts/configure-package.sh $(PACKAGE_BUILD) >/dev/null
	@cmake --build $(PACKAGE_BUILD) -j $(JOBS) --target programs

package: build
	@cd $(PACKAGE_BUILD) && cpack -G DEB

check-package: build
	@scripts/install-deps.sh --check
	@scripts/check-package.sh $(PACKAGE_BUILD)
