# The two commands: `make run` and `make test`. Both install what is missing first.
# `make package` builds the Debian package; `make check-package` also installs it into a
# clean Debian 12 root and validates it (as root, with the network; takes a few minutes).
BUILD := build
JOBS ?= 2

.PHONY: run test build package check-package

run:
	@scripts/install-deps.sh
	@cmake -S . -B $(BUILD) -G Ninja >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)
	@scripts/run.sh

test:
	@scripts/install-deps.sh
	@cmake -S . -B $(BUILD) -G Ninja >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)
	@JOBS=$(JOBS) scripts/test.sh

build:
	@scripts/install-deps.sh --package
	@cmake -S . -B $(BUILD) -G Ninja >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

package: build
	@cd $(BUILD) && cpack -G DEB

check-package: build
	@scripts/check-package.sh $(BUILD)
