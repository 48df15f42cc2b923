CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# make test SANITIZE=1 builds with AddressSanitizer and UndefinedBehaviorSanitizer in its own folder.
ifeq ($(SANITIZE),1)
BUILD ?= build-san
CMAKE_FLAGS += -DTROMBLE_SANITIZE=ON
else
BUILD ?= build
endif

FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60

.PHONY: all deps configure test run bench fuzz deb clean

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

# Each libFuzzer target for FUZZ_SECONDS, from the checked-in seeds; new inputs stay in the
# build folder, a finding stops here and leaves its input in $(FUZZ_BUILD)/hallazgos.
fuzz: deps
	@sh scripts/dependencias.sh clang libclang-rt-14-dev
	@test -f $(FUZZ_BUILD)/build.ninja || CXX=clang++ cmake -S fuzz -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(FUZZ_BUILD)
	@mkdir -p $(FUZZ_BUILD)/hallazgos
	@for semillas in fuzz/semillas/*; do \
		nombre=$$(basename $$semillas); \
		mkdir -p $(FUZZ_BUILD)/corpus/$$nombre; \
		echo "fuzz_$$nombre: $(FUZZ_SECONDS) s"; \
		$(FUZZ_BUILD)/fuzz_$$nombre -max_total_time=$(FUZZ_SECONDS) -print_final_stats=1 \
			-artifact_prefix=$(FUZZ_BUILD)/hallazgos/$$nombre- \
			$(FUZZ_BUILD)/corpus/$$nombre $$semillas 2>$(FUZZ_BUILD)/fuzz_$$nombre.log \
			|| { tail -40 $(FUZZ_BUILD)/fuzz_$$nombre.log; exit 1; }; \
		grep -E "stat::number_of_executed_units|cov:" $(FUZZ_BUILD)/fuzz_$$nombre.log | tail -2; \
	done

# The Debian package, from the same build folder: $(BUILD)/tromblechatix_<version>_<arch>.deb.
# cmake runs again so that it finds rsvg-convert, which draws the icon sizes.
deb: configure
	@sh scripts/dependencias.sh dpkg-dev file librsvg2-bin
	@cmake -S . -B $(BUILD) >/dev/null
	cmake --build $(BUILD)
	cd $(BUILD) && cpack -G DEB

clean:
	rm -rf $(BUILD)
