/* The baseline for the benchmark: the menu and the game with the same texts,
 * written the plain C way, with printf/scanf and stdio's own buffering (no
 * explicit flush). The workloads never ask for the rules, so choice 2 falls
 * to the invalid-choice text. Not part of the game: it loops forever on input
 * that is not a number. */
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static void jogar(void) {
  int tentativas = 0, acertou = 0, palpite, palpites[5], k;
  int numeroSecreto = rand() % 100 + 1;
  puts("\nSorteando numero entre 1 e 100:... - ....");
  sleep(2);
  while (tentativas <= 4 && acertou == 0) {
    printf("\nTentativa %d de 5. Digite um numero de 1 a 100:", tentativas + 1);
    scanf("%d", &palpite);
    if (palpite <= 0 || palpite > 100) {
      printf("\nValor fora do intervalo especificado.");
      continue;
    }
    palpites[tentativas++] = palpite;
    if (numeroSecreto < palpite) {
      printf("\nNumero menor que o valor lido!!! %d", palpite);
    } else if (numeroSecreto > palpite) {
      printf("\nNumero maior que o valor lido!!! %d", palpite);
    } else {
      printf("\nParabens! Voce acertou o numero sorteado %d\n", numeroSecreto);
      acertou = 1;
    }
  }
  if (acertou == 0) printf("\nQue pena!!! Tentativas esgotadas.Numero era: %d", numeroSecreto);
  printf("\n ---- Historico de chutes -----");
  for (k = 0; k < tentativas; k++) printf("Tentativa : %d %d\n ", k + 1, palpites[k]);
  printf("\n----------------");
}

int main(void) {
  int opcao = 0;
  srand((unsigned)time(NULL));
  do {
    printf("\n-----------------------------");
    printf("\nEMPRESA ZORVEL 1.0");
    printf("\nGAME TROVELIN: 2.0");
    printf("\n1.Jogar");
    printf("\n2.Ver regras do jogo");
    printf("\n3.Sair");
    printf("\nSelecione uma opcao:");
    scanf("%d", &opcao);
    switch (opcao) {
      case 1:
        jogar();
        break;
      case 3:
        printf("\nObrigada por jogar! Ate a proxima");
        break;
      default:
        puts("\nOpcao invalida! Tente novamente.");
    }
  } while (opcao != 3);
  return 0;
}
