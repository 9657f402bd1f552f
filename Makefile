# One command each: `make run` opens ovrix under Wine, `make test` runs every
# test, `make dist` packs the release zip. All install what is missing first.
ARGS ?=

.PHONY: build run test fuzz dist clean

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

dist:
	scripts/install-deps
	cmake --preset win64 -G Ninja >/dev/null && cmake --build --preset win64 --target ovrix ovrix-report
	python3 scripts/dist.py build/win64 build/dist

clean:
	rm -rf build
