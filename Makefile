CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# make test SANITIZE=1 builds with AddressSanitizer and UndefinedBehaviorSanitizer in its own folder.
ifeq ($(SANITIZE),1)
BUILD ?= build-san
CMAKE_FLAGS += -DTROMBLE_SANITIZE=ON
else
BUILD ?= build
endif

.PHONY: all deps configure test run bench clean

all: configure
	cmake --build $(BUILD)

deps:
	@sh scripts/dependencias.sh

configure: deps
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

test: all
	cd $(BUILD) && ctest --output-on-failure -j2

run: all
	@sh scripts/ejecutar.sh $(BUILD)/tromblechatix

bench: all
	@for b in $(BUILD)/bench/bench_*; do \
		if [ -f "$$b" ] && [ -x "$$b" ]; then "$$b" || exit 1; fi; \
	done

clean:
	rm -rf $(BUILD)
