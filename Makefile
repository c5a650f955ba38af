# The two commands: `make run` and `make test`. Both install what is missing first.
BUILD := build
JOBS ?= 2

.PHONY: run test

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
