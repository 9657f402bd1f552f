# One command each: `make run` opens ovrix under Wine, `make test` runs every
# test. Both install what is missing first.
ARGS ?=

.PHONY: build run test fuzz clean

build:
	scripts/install-deps
	cmake --preset native -G Ninja >/dev/null && cmake --build --preset native
	cmake --preset win64 -G Ninja >/dev/null && cmake --build --preset win64

run:
	scripts/run.sh $(ARGS)

test:
	scripts/test.sh

fuzz:
	scripts/fuzz.sh

clean:
	rm -rf build
